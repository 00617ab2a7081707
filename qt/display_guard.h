// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace vantrel {

// Vantrel started where no window can open (over SSH, most often): no
// display at all, or one the window system's plugin cannot reach. Qt would
// advise reinstalling, which fixes nothing; this says what is wrong in one
// line, names vantrel-cli for work from a terminal, and ends with status 1.
// Made before the QApplication, told once it stands.
class CDisplayGuard {
  public:
    CDisplayGuard();
    ~CDisplayGuard();
    CDisplayGuard(const CDisplayGuard&) = delete;
    CDisplayGuard& operator=(const CDisplayGuard&) = delete;

    // The application stands: Qt's messages go their usual way again.
    void Opened();

  private:
    bool m_guarding = true;
};

}  // namespace vantrel
