#include "resources/resources.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>

#include <cmath>
#include <cstdlib>
#include <ostream>

// Readable sizes in failure messages (found by argument-dependent lookup).
void PrintTo(const QSize& size, std::ostream* os) { *os << size.width() << "x" << size.height(); }

namespace {

QGuiApplication& app()
{
    static int argc = 1;
    static char name[] = "resources_tests";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* instance = [] {
        // No display is needed to decode images. At twice the scale, QIcon
        // takes the @2x drawings as well.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("QT_SCALE_FACTOR", "2");
        InitResources();
        return new QGuiApplication(argc, argv);
    }();
    return *instance;
}

struct Expected {
    const char* name;
    QSize size;
};

// Widgets that show these images take the image's size, so a wrong size moves
// or resizes them.
const Expected kImages[] = {
    {"rec.png", {192, 192}},  {"edit.png", {192, 192}},   {"cut_main.png", {192, 192}},  {"close.png", {32, 24}},
    {"min.png", {32, 24}},    {"list.png", {32, 24}},     {"logo.png", {48, 48}},        {"logo.ico", {128, 128}},
    {"folder.png", {48, 37}}, {"play.png", {48, 48}},     {"pause.png", {48, 48}},       {"stop.png", {48, 48}},
    {"quit.png", {48, 48}},   {"cut.png", {48, 48}},      {"mp4.png", {48, 48}},         {"add.png", {48, 48}},
    {"up.png", {48, 48}},     {"down.png", {48, 48}},     {"delete.png", {48, 48}},      {"rec1.png", {48, 48}},
    {"rec2.png", {48, 48}},   {"question.png", {48, 48}}, {"information.png", {48, 48}}, {"max.png", {48, 48}},
    {"normal.png", {48, 48}}, {"help.png", {24, 24}},     {"language.png", {24, 24}},    {"dot.png", {12, 12}},
};

QImage load(const char* name)
{
    return QImage(QStringLiteral(":/image/") + QString::fromLatin1(name)).convertToFormat(QImage::Format_ARGB32);
}

TEST(ResourceImages, EveryImageLoadsAtItsSizeWithATransparentCornerAndADrawing)
{
    app();
    for (const Expected& e : kImages) {
        SCOPED_TRACE(e.name);
        const QImage image = load(e.name);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), e.size);
        // Drawn on transparency, so the window's own colour shows around it.
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                opaque += qAlpha(image.pixel(x, y)) > 128;
        EXPECT_GT(opaque, image.width() * image.height() / 50);
    }
}

// A screen at twice the scale takes the @2x drawing through QIcon, which
// must cover the same area or the icon is shown at the wrong size.
TEST(ResourceImages, EveryPngHasASharpDrawingAtTwiceItsSizeThatQIconPicks)
{
    app();
    for (const Expected& e : kImages) {
        const QString name = QString::fromLatin1(e.name);
        if (!name.endsWith(QStringLiteral(".png")))
            continue;
        SCOPED_TRACE(e.name);
        const QString doubled = name.chopped(4) + QStringLiteral("@2x.png");
        EXPECT_EQ(load(doubled.toLatin1().constData()).size(), e.size * 2);
        const QPixmap picked = QIcon(QStringLiteral(":/image/") + name).pixmap(e.size, 2.0);
        EXPECT_EQ(picked.size(), e.size * 2);
        EXPECT_EQ(picked.devicePixelRatio(), 2.0);
    }
}

TEST(ResourceImages, UnknownNameYieldsNoImage)
{
    app();
    EXPECT_TRUE(load("setting.png").isNull());
}

// The tray icon blinks by swapping these two; if they look alike it seems frozen.
TEST(ResourceImages, TrayBlinkImagesDifferVisibly)
{
    app();
    const QImage on = load("rec1.png");
    const QImage off = load("rec2.png");
    ASSERT_EQ(on.size(), off.size());
    double difference = 0;
    for (int y = 0; y < on.height(); ++y) {
        for (int x = 0; x < on.width(); ++x) {
            // Compare as seen on a mid-grey task bar.
            const auto seen = [](QRgb p, int channel) {
                const double a = qAlpha(p) / 255.0;
                return channel * a + 128 * (1 - a);
            };
            const QRgb a = on.pixel(x, y);
            const QRgb b = off.pixel(x, y);
            difference += std::abs(seen(a, qRed(a)) - seen(b, qRed(b)))
                + std::abs(seen(a, qGreen(a)) - seen(b, qGreen(b))) + std::abs(seen(a, qBlue(a)) - seen(b, qBlue(b)));
        }
    }
    const double meanPerChannel = difference / (3.0 * on.width() * on.height());
    EXPECT_GT(meanPerChannel, 30.0);
}

} // namespace
