// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/report_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "cameras/file_bytes.h"

namespace vantrel {

bool WriteReportFile(const std::string& path, const std::string& report, std::string& error) {
    std::ofstream file(FilePath(path), std::ios::binary | std::ios::trunc);
    if (file) {
        file << report;
        file.close();
    }
    if (!file) {
        error = "cannot write the report " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace vantrel
