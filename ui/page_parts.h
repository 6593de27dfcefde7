#pragma once
// Small builders the pages share.
#include <QString>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRect;
class QTableWidget;
class QVBoxLayout;
class QWidget;

namespace ui {

QLabel* whiteLabel(const QString& content, QWidget* parent);
QPushButton* greyButton(const QString& caption, QWidget* parent);
QPushButton* folderButton(QWidget* parent, const QRect& geometry);
// Tab leaves a table for the next control; the arrow keys move in it.
void nameTable(QTableWidget* table, const char* key);
QLineEdit* folderEdit(const QString& folder, QWidget* parent, const QRect& geometry);
QHBoxLayout* rowWithMargins();
// The title band sits alone in a box of its own, as on every page.
void addBand(QVBoxLayout* page, QWidget* band);

} // namespace ui
