#pragma once
// The home page: three large buttons to the record, merge and cut pages.
#include <QWidget>

namespace ui {

class TitleBand;

class HomePage : public QWidget {
    Q_OBJECT
public:
    HomePage(QWidget* parent, int width);
    TitleBand* titleBand() const { return band_; }

signals:
    void recordClicked();
    void mergeClicked();
    void cutClicked();

private:
    TitleBand* band_;
};

} // namespace ui
