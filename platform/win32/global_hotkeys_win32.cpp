#include "platform/global_hotkeys.h"

#include <windows.h>

#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace platform {
namespace {

// "Ctrl+Shift+F9" as RegisterHotKey's modifiers and virtual key.
std::optional<std::pair<UINT, UINT>> parse(const std::string& text)
{
    UINT modifiers = MOD_NOREPEAT;
    std::size_t at = 0;
    for (std::size_t plus; (plus = text.find('+', at)) != std::string::npos; at = plus + 1) {
        const std::string part = text.substr(at, plus - at);
        if (part == "Ctrl")
            modifiers |= MOD_CONTROL;
        else if (part == "Shift")
            modifiers |= MOD_SHIFT;
        else if (part == "Alt")
            modifiers |= MOD_ALT;
        else if (part == "Meta")
            modifiers |= MOD_WIN;
        else
            return std::nullopt;
    }
    const std::string key = text.substr(at);
    if (key.size() == 1 && ((key[0] >= 'A' && key[0] <= 'Z') || (key[0] >= '0' && key[0] <= '9')))
        return std::pair{modifiers, static_cast<UINT>(key[0])};
    if (key.size() >= 2 && key[0] == 'F' && key.find_first_not_of("0123456789", 1) == std::string::npos) {
        const int n = std::atoi(key.c_str() + 1);
        if (n >= 1 && n <= 24)
            return std::pair{modifiers, static_cast<UINT>(VK_F1 + n - 1)};
    }
    return std::nullopt;
}

// A hotkey belongs to the thread that registered it, which must also take
// its messages: one thread of our own does both.
class WinHotkeys final : public GlobalHotkeys {
public:
    WinHotkeys()
    {
        thread_ = std::thread([this] { run(); });
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

    std::thread thread_;
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
