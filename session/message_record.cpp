// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/message_record.h"

namespace vantrel {

bool CMessageRecord::s_recording = false;
std::vector<int> CMessageRecord::s_recorded;
std::function<void(int)> CMessageRecord::s_observer;

bool CMessageRecord::Recorded(int stringId) {
    if (!s_recording) {
        return false;
    }
    s_recorded.push_back(stringId);
    if (s_observer) {
        s_observer(stringId);
    }
    return true;
}

void CMessageRecord::StartRecording(std::function<void(int)> observer) {
    s_recording = true;
    s_recorded.clear();
    s_observer = std::move(observer);
}

std::vector<int> CMessageRecord::TakeRecorded() {
    std::vector<int> recorded;
    recorded.swap(s_recorded);
    return recorded;
}

void CMessageRecord::StopRecording() {
    s_recording = false;
    s_recorded.clear();
    s_observer = nullptr;
}

}  // namespace vantrel
