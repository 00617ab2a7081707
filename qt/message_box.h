// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

#include "session/message_record.h"

namespace vantrel {

// Every failure reaches the user as one modal box with one string-table text
// and an OK button, titled with the program file's base name. Tests switch
// the boxes off and read which texts would have been shown (CMessageRecord).
class CMessageBox : public CMessageRecord {
  public:
    static void Show(int stringId, QWidget* parent = nullptr);
};

}  // namespace vantrel
