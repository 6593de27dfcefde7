#include "platform/global_hotkeys.h"

#include "platform/hotkey_name.h"
#include "platform/worker_thread.h"

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace platform {
namespace {

// A named key as RegisterHotKey's modifiers and virtual key; a letter's or a
// digit's virtual key is its upper-case character.
std::optional<std::pair<UINT, UINT>> parse(const std::string& text)
{
    const std::optional<HotkeyName> name = parseHotkeyName(text);
    if (!name)
        return std::nullopt;
    UINT modifiers = MOD_NOREPEAT;
    for (const auto& [modifier, flag] :
         {std::pair<unsigned, UINT>{HotkeyName::Ctrl, MOD_CONTROL},
          std::pair<unsigned, UINT>{HotkeyName::Shift, MOD_SHIFT}, std::pair<unsigned, UINT>{HotkeyName::Alt, MOD_ALT},
          std::pair<unsigned, UINT>{HotkeyName::Meta, MOD_WIN}})
        if (name->modifiers & modifier)
            modifiers |= flag;
    const UINT key =
        name->function ? static_cast<UINT>(VK_F1 + name->function - 1) : static_cast<UINT>(name->character);
    return std::pair{modifiers, key};
}

// A hotkey belongs to the thread that registered it, which must also take
// its messages: one thread of our own does both.
class WinHotkeys final : public GlobalHotkeys {
public:
    WinHotkeys()
    {
        thread_ = startWorker([this] { run(); });
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return threadId_ != 0; });
    }
    ~WinHotkeys() override
    {
        ::PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }

    std::vector<bool> hold(const std::vector<std::string>& keys) override
    {
        std::unique_lock lock(mutex_);
        request_ = keys;
        answer_.reset();
        ::PostThreadMessageW(threadId_, WM_APP, 0, 0);
        changed_.wait(lock, [this] { return answer_.has_value(); });
        return *answer_;
    }

    int waitForPress(int ms) override
    {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return !pressed_.empty(); });
        if (pressed_.empty())
            return -1;
        const int index = pressed_.front();
        pressed_.pop_front();
        return index;
    }

private:
    void run()
    {
        MSG message;
        ::PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE); // makes the queue
        {
            std::lock_guard lock(mutex_);
            threadId_ = ::GetCurrentThreadId();
        }
        changed_.notify_all();
        int registered = 0;
        while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
            if (message.message == WM_HOTKEY) {
                std::lock_guard lock(mutex_);
                pressed_.push_back(static_cast<int>(message.wParam));
            } else if (message.message == WM_APP) {
                std::vector<std::string> keys;
                {
                    std::lock_guard lock(mutex_);
                    keys = request_;
                }
                for (int id = 0; id < registered; ++id)
                    ::UnregisterHotKey(nullptr, id);
                std::vector<bool> held;
                for (const std::string& key : keys) {
                    const auto parsed = parse(key);
                    held.push_back(parsed
                                   && ::RegisterHotKey(nullptr, static_cast<int>(held.size()), parsed->first,
                                                       parsed->second));
                }
                registered = static_cast<int>(held.size());
                std::lock_guard lock(mutex_);
                answer_ = held;
            }
            changed_.notify_all();
        }
        for (int id = 0; id < registered; ++id)
            ::UnregisterHotKey(nullptr, id);
    }

    std::jthread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    DWORD threadId_ = 0;
    std::vector<std::string> request_;
    std::optional<std::vector<bool>> answer_;
    std::deque<int> pressed_;
};

} // namespace

std::unique_ptr<GlobalHotkeys> openGlobalHotkeys(const std::string&) { return std::make_unique<WinHotkeys>(); }

} // namespace platform
