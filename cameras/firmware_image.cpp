// SPDX-License-Identifier: GPL-3.0-or-later
#include "cameras/firmware_image.h"

#include "protocol/messages.h"
#include "res/string_table.h"

namespace vantrel {

const ImageKindTraits& TraitsOf(ImageKind kind) {
    static const ImageKindTraits system{0, "BNEG", IDS_BAD_SYSTEM_IMAGE, OP_SYSTEM_CHUNK, false};
    static const ImageKindTraits application{8, "UPGRADE APP_WARE FILE", IDS_BAD_APP_IMAGE,
                                             OP_APPLICATION_CHUNK, true};
    return kind == ImageKind::System ? system : application;
}

int OpenImage(const std::string& path, ImageKind kind, std::ifstream& file) {
    file.open(path, std::ios::binary);
    if (!file.is_open()) {
        return IDS_FILE_OPEN_FAILED;
    }
    const ImageKindTraits& traits = TraitsOf(kind);
    std::string mark(traits.mark.size(), '\0');
    file.seekg(traits.markOffset);
    file.read(mark.data(), static_cast<std::streamsize>(mark.size()));
    if (!file || mark != traits.mark) {
        file.close();
        return traits.badMarkMessage;
    }
    file.seekg(0);
    return 0;
}

}  // namespace vantrel
