#include "ui/styles.h"

namespace ui {

const QString& greyButtonSheet()
{
    static const QString sheet = QStringLiteral(
        "QPushButton{background-color: rgb(191, 191, 191); border-radius: 10px; border: 2px groove white;"
        " border-style: outset;}"
        "QPushButton:hover{background-color: rgb(156, 156, 156);}"
        "QPushButton:pressed{background-color: rgb(156, 156, 156); border: 2px groove white; border-style: inset;}"
        // A disabled caption must still read on the grey face.
        "QPushButton:disabled{color: rgb(109, 109, 109);}"
        // The keyboard's place, seen on the grey face.
        "QPushButton:focus{border: 2px solid rgb(255, 170, 0);}");
    return sheet;
}

const QString& homeButtonSheet()
{
    static const QString sheet =
        QStringLiteral("QPushButton{border-radius: 10px; text-align: center; padding: 20px; border-style: outset;}"
                       "QPushButton:hover{background-color: rgb(38, 42, 45);}"
                       "QPushButton:pressed{background-color: rgb(38, 42, 45); border-style: inset;}");
    return sheet;
}

const QString& sliderSheet()
{
    static const QString sheet = QStringLiteral(
        "QSlider::groove:horizontal{border: 1px solid #4A708B; background: #C0C0C0; height: 5px;"
        " border-radius: 1px; padding-left: -1px; padding-right: -1px;}"
        "QSlider::sub-page:horizontal{background: qlineargradient(x1: 0, y1: 0.2, x2: 1, y2: 1, stop: 0 #5DCCFF,"
        " stop: 1 #1874CD); border: 1px solid #4A708B; height: 10px; border-radius: 2px;}"
        "QSlider::add-page:horizontal{background: #575757; border: 0px solid #777; height: 10px; border-radius: 2px;}"
        "QSlider::handle:horizontal{background: qradialgradient(spread:pad, cx:0.5, cy:0.5, radius:0.5, fx:0.5,"
        " fy:0.5, stop:0.6 #45ADED, stop:0.778409 rgba(255, 255, 255, 255)); width: 11px; margin-top: -3px;"
        " margin-bottom: -3px; border-radius: 5px;}"
        "QSlider::handle:horizontal:hover{background: qradialgradient(spread:pad, cx:0.5, cy:0.5, radius:0.5,"
        " fx:0.5, fy:0.5, stop:0.6 #2A8BDA, stop:0.778409 rgba(255, 255, 255, 255)); width: 11px;"
        " margin-top: -3px; margin-bottom: -3px; border-radius: 5px;}"
        "QSlider::sub-page:horizontal:disabled{background: #00009C; border-color: #999;}"
        "QSlider::add-page:horizontal:disabled{background: #eee; border-color: #999;}"
        "QSlider::handle:horizontal:disabled{background: #eee; border: 1px solid #aaa; border-radius: 4px;}"
        // The keyboard's place.
        "QSlider:focus{border: 2px solid rgb(255, 170, 0);}");
    return sheet;
}

QFont calibri(int pointSize, bool bold)
{
    QFont font(QStringLiteral("Calibri"), pointSize, bold ? QFont::Bold : QFont::Normal);
    return font;
}

} // namespace ui
