#pragma once
// The window's look: style sheets and fonts shared by every page.
#include <QFont>
#include <QString>

namespace ui {

inline const QString kWindowBackground = QStringLiteral("background-color: rgb(25, 25, 25);");
inline const QString kBandStyle = QStringLiteral("background-color: rgb(38, 42, 45);");
inline const QString kMergeFooterStyle = QStringLiteral("background-color: rgb(51, 52, 55);");
inline const QString kPanelStyle = QStringLiteral("background-color: rgb(191, 191, 191);");
inline const QString kFieldBorderStyle = QStringLiteral("border: 2px groove white;");
inline const QString kMenuIndicatorStyle = QStringLiteral("QPushButton::menu-indicator{image:None;}");

// Every text button and the merge list buttons.
const QString& greyButtonSheet();
// The three large image buttons of the home page.
const QString& homeButtonSheet();
// The cut page's position slider.
const QString& sliderSheet();

// "Calibri" (Carlito stands in on Linux) at `pointSize`, normal or bold.
QFont calibri(int pointSize, bool bold);

} // namespace ui
