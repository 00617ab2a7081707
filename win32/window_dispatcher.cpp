// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/window_dispatcher.h"

#include <mutex>

namespace vantrel {

namespace {

constexpr UINT WM_RUN_TASKS = WM_APP + 1;
constexpr wchar_t CLASS_NAME[] = L"VantrelTasks";

void RegisterClassOnce() {
    static std::once_flag registered;
    std::call_once(registered, [] {
        WNDCLASSW type{};
        type.lpfnWndProc = DefWindowProcW;
        type.hInstance = GetModuleHandleW(nullptr);
        type.lpszClassName = CLASS_NAME;
        RegisterClassW(&type);
    });
}

}  // namespace

CWindowDispatcher::CWindowDispatcher() {
    RegisterClassOnce();
    m_window.reset(CreateWindowExW(0, CLASS_NAME, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   GetModuleHandleW(nullptr), nullptr));
    SetWindowLongPtrW(m_window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(m_window.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
}

CWindowDispatcher::~CWindowDispatcher() {
    SetWindowLongPtrW(m_window.get(), GWLP_USERDATA, 0);
}

void CWindowDispatcher::Dispatch(std::function<void()> task) {
    const std::lock_guard lock(m_mutex);
    m_tasks.push_back(std::move(task));
    if (!m_posted) {
        m_posted = PostMessageW(m_window.get(), WM_RUN_TASKS, 0, 0) != FALSE;
    }
}

void CWindowDispatcher::RunPending() {
    std::deque<std::function<void()>> tasks;
    {
        const std::lock_guard lock(m_mutex);
        tasks.swap(m_tasks);
        m_posted = false;
    }
    for (std::function<void()>& task : tasks) {
        task();
    }
}

LRESULT CALLBACK CWindowDispatcher::WindowProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    if (message == WM_RUN_TASKS) {
        auto* dispatcher =
            reinterpret_cast<CWindowDispatcher*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (dispatcher != nullptr) {
            dispatcher->RunPending();
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace vantrel
