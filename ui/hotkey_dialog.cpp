#include "ui/hotkey_dialog.h"

#include "i18n/language_config.h"
#include "settings/capture_setting.h"
#include "settings/typed_hotkey.h"
#include "ui/keyboard_access.h"
#include "ui/page_parts.h"
#include "ui/styles.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <string>
#include <vector>

using i18n::GuiText;

namespace ui {

namespace {

// One combination per field: each press replaces the one before. Esc and
// Backspace empty it, and Tab moves on as from every other field.
class HotkeyEdit : public QKeySequenceEdit {
public:
    using QKeySequenceEdit::QKeySequenceEdit;

protected:
    bool event(QEvent* event) override
    {
        // Newer Qt versions record Tab as a key.
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
                && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
                return QWidget::event(event);
        }
        return QKeySequenceEdit::event(event);
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        if ((event->key() == Qt::Key_Escape || event->key() == Qt::Key_Backspace)
            && event->modifiers() == Qt::NoModifier) {
            clear();
            return;
        }
        QKeySequenceEdit::keyPressEvent(event);
        // Set again, the edit stops waiting for a further combination: the
        // next press starts a new one.
        if (!keySequence().isEmpty())
            setKeySequence(QKeySequence(keySequence()[0]));
    }
};

QString withoutDots(QString text)
{
    while (text.endsWith(u'.') || text.endsWith(u'\u2026'))
        text.chop(1);
    return text.trimmed();
}

QLabel* wrappedLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

} // namespace

HotkeyDialog::HotkeyDialog(QWidget* parent, const QString& settingsPath, bool available)
    : QDialog(parent), settingsPath_(settingsPath)
{
    setObjectName(QStringLiteral("hotkeyDialog"));
    setWindowTitle(withoutDots(GuiText("MainWnd/Hotkeys")));
    setStyleSheet(QStringLiteral("QDialog{background-color: rgb(220, 220, 220);} QLabel{color: black;}"));
    setFont(ui::calibri(11, false));
    setMinimumWidth(460);

    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(20, 15, 20, 15);
    box->setSpacing(10);
    const QString hint = GuiText("MainWnd/HotkeyHint");
    box->addWidget(wrappedLabel(hint, this));

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setColumnStretch(1, 1);
    const std::string path = settingsPath.toStdString();
    startStop_ = addRow(grid, "MainWnd/HotkeyStartStop", settings::ReadRecordHotkey(path), hint);
    pauseResume_ = addRow(grid, "MainWnd/HotkeyPauseResume", settings::ReadPauseHotkey(path), hint);
    box->addLayout(grid);

    unavailable_ = wrappedLabel(GuiText("MainWnd/HotkeysUnavailable"), this);
    unavailable_->setVisible(!available);
    box->addWidget(unavailable_);
    problem_ = wrappedLabel(QString(), this);
    problem_->setStyleSheet(QStringLiteral("color: rgb(160, 0, 0);"));
    problem_->hide();
    box->addWidget(problem_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    QPushButton* ok = addButton(buttons, "MainWnd/OK");
    connect(ok, &QPushButton::clicked, this, &HotkeyDialog::accept);
    QPushButton* cancel = addButton(buttons, "MainWnd/Cancel");
    connect(cancel, &QPushButton::clicked, this, &HotkeyDialog::reject);
    box->addLayout(buttons);
    ui::pressOnEnter(this);
    new ui::FocusReturn(this, startStop_);
}

QKeySequenceEdit* HotkeyDialog::addRow(QGridLayout* grid, const char* caption, const std::string& stored,
                                       const QString& hint)
{
    auto* label = new QLabel(GuiText(caption), this);
    auto* edit = new HotkeyEdit(this);
    if (stored != settings::kNoHotkey)
        edit->setKeySequence(QKeySequence::fromString(QString::fromStdString(stored), QKeySequence::PortableText));
    label->setBuddy(edit);
    // A screen reader meets the line edit inside as the field.
    for (QWidget* named : {static_cast<QWidget*>(edit), static_cast<QWidget*>(edit->findChild<QLineEdit*>())}) {
        if (named) {
            named->setAccessibleName(ui::withoutColon(label->text()));
            named->setAccessibleDescription(hint);
        }
    }
    const int row = grid->rowCount();
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    return edit;
}

QPushButton* HotkeyDialog::addButton(QHBoxLayout* row, const char* caption)
{
    QPushButton* button = ui::greyButton(GuiText(caption), this);
    button->setStyleSheet(ui::greyButtonSheet() + ui::kFocusMark);
    button->setMinimumSize(std::max(90, ui::neededWidth(button)), 30);
    row->addWidget(button);
    return button;
}

void HotkeyDialog::showProblem(const QString& text)
{
    problem_->setText(text);
    problem_->show();
    adjustSize();
}

void HotkeyDialog::accept()
{
    std::vector<std::string> names;
    for (QKeySequenceEdit* edit : {startStop_, pauseResume_}) {
        const QKeySequence keys = edit->keySequence();
        const QString typed = keys.isEmpty() ? QString() : QKeySequence(keys[0]).toString(QKeySequence::PortableText);
        const auto name = settings::StoredHotkeyName(typed.toStdString());
        if (!name) {
            showProblem(GuiText("MainWnd/HotkeyRefused").arg(keys.toString(QKeySequence::NativeText)));
            edit->setFocus();
            return;
        }
        names.push_back(*name);
    }
    if (names[0] == names[1] && names[0] != settings::kNoHotkey) {
        showProblem(GuiText("MainWnd/HotkeysSame"));
        pauseResume_->setFocus();
        return;
    }
    const std::string path = settingsPath_.toStdString();
    stored_ = settings::StoreRecordHotkey(path, names[0]) && settings::StorePauseHotkey(path, names[1]);
    QDialog::accept();
}

} // namespace ui
