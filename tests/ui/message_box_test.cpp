// The program's own message box, shown on the test session's X server.
#include "ui/message_box.h"

#include "i18n/language_config.h"

#include "test_app.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <gtest/gtest.h>

using i18n::GuiText;
using ui::CMessageBox;

namespace {

QPushButton* buttonWithText(const CMessageBox& box, const QString& text)
{
    for (QPushButton* b : box.findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

QPushButton* iconButton(const CMessageBox& box)
{
    for (QPushButton* b : box.findChildren<QPushButton*>())
        if (b->text().isEmpty())
            return b;
    return nullptr;
}

bool hasLabel(const CMessageBox& box, const QString& text)
{
    for (QLabel* l : box.findChildren<QLabel*>())
        if (l->text() == text)
            return true;
    return false;
}

// Runs the box modally; `act` answers it once it shows.
int answer(CMessageBox& box, const std::function<void()>& act)
{
    QTimer::singleShot(0, &box, [&] {
        if (!QTest::qWaitForWindowExposed(&box))
            box.reject();
        act();
    });
    box.exec();
    return box.GetResult();
}

} // namespace

TEST(CMessageBox, QuestionAnswersOneOnlyForOk)
{
    ensureTestApp();
    struct Way {
        const char* what;
        std::function<void(CMessageBox&)> act;
        int result;
    };
    const Way ways[] = {
        {"OK", [](CMessageBox& b) { QTest::mouseClick(buttonWithText(b, GuiText("MainWnd/OK")), Qt::LeftButton); }, 1},
        {"NO", [](CMessageBox& b) { QTest::mouseClick(buttonWithText(b, GuiText("MainWnd/NO")), Qt::LeftButton); }, 0},
        {"right click", [](CMessageBox& b) { QTest::mouseClick(&b, Qt::RightButton, {}, QPoint(200, 60)); }, 0},
        {"Escape", [](CMessageBox& b) { QTest::keyClick(&b, Qt::Key_Escape); }, 0},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.what);
        CMessageBox box;
        box.InitQuestion("Stop the merge?");
        EXPECT_TRUE(hasLabel(box, "  " + GuiText("MainWnd/Question")));
        ASSERT_NE(buttonWithText(box, GuiText("MainWnd/NO")), nullptr);
        EXPECT_EQ(buttonWithText(box, GuiText("MainWnd/NO"))->geometry(), QRect(100, 5, 80, 25));
        EXPECT_EQ(buttonWithText(box, GuiText("MainWnd/OK"))->geometry(), QRect(200, 5, 80, 25));
        EXPECT_EQ(answer(box, [&] { way.act(box); }), way.result);
        EXPECT_FALSE(box.isVisible());
    }
}

TEST(CMessageBox, NoticeClosesOnOkOrItsCloseButtonAndWrapsLongTexts)
{
    ensureTestApp();
    {
        CMessageBox box;
        box.InitInfo("Done.");
        EXPECT_TRUE(hasLabel(box, GuiText("MainWnd/Info")));
        EXPECT_EQ(buttonWithText(box, GuiText("MainWnd/OK"))->geometry(), QRect(133, 5, 80, 25));
        EXPECT_EQ(answer(box, [&] { QTest::mouseClick(buttonWithText(box, GuiText("MainWnd/OK")), Qt::LeftButton); }),
                  1);
    }
    {
        CMessageBox box;
        const QString longText = QString("The cut is finished. ").repeated(12);
        box.InitInfo(longText);
        EXPECT_TRUE(box.messageLabel()->wordWrap());
        ASSERT_NE(iconButton(box), nullptr);
        EXPECT_EQ(answer(box,
                         [&] {
                             EXPECT_EQ(box.size(), QSize(400, 150));
                             QTest::mouseClick(iconButton(box), Qt::LeftButton);
                         }),
                  0);
    }
}

TEST(CMessageBox, DraggingWithTheLeftButtonAloneMovesIt)
{
    ensureTestApp();
    CMessageBox box;
    box.InitQuestion("Move me");
    box.setGeometry(100, 100, 400, 150);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    const QPoint start = box.pos();
    const QPoint grab(300, 20);
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, QPointF(at), QPointF(box.mapToGlobal(at)), button, held, Qt::NoModifier);
        QApplication::sendEvent(&box, &event);
    };
    send(QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, grab + QPoint(40, 30), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(box.pos(), start + QPoint(40, 30));

    const QPoint moved = box.pos();
    send(QEvent::MouseMove, grab + QPoint(80, 60), Qt::NoButton, Qt::LeftButton | Qt::MiddleButton);
    EXPECT_EQ(box.pos(), moved);
    box.close();
}
