// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace vantrel {

// The socket library for as long as the object lives. Windows needs it
// started once per process and stopped at the end; elsewhere there is
// nothing to start, but a send to a closed connection must never end the
// program with SIGPIPE.
class CSocketLibrary {
  public:
    CSocketLibrary();
    ~CSocketLibrary();
    CSocketLibrary(const CSocketLibrary&) = delete;
    CSocketLibrary& operator=(const CSocketLibrary&) = delete;

    [[nodiscard]] bool Started() const { return m_started; }

  private:
    bool m_started = false;
};

}  // namespace vantrel
