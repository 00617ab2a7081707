// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>

#include "session/session_dispatcher.h"
#include "win32/unique_handles.h"

namespace vantrel {

// Runs the session's tasks on the window's thread: a task from any thread
// waits in a queue, and one posted message to a message-only window of its
// own has the thread's message loop (the main one, a dialog's or a message
// box's) run all that waits. The tasks still queued when it goes are
// dropped with it.
class CWindowDispatcher final : public ISessionDispatcher {
  public:
    CWindowDispatcher();
    ~CWindowDispatcher() override;
    CWindowDispatcher(const CWindowDispatcher&) = delete;
    CWindowDispatcher& operator=(const CWindowDispatcher&) = delete;

    void Dispatch(std::function<void()> task) override;

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void RunPending();

    std::mutex m_mutex;
    std::deque<std::function<void()>> m_tasks;
    bool m_posted = false;  // a message is on its way, which runs all queued
    UniqueWindow m_window;
};

}  // namespace vantrel
