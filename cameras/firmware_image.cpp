// SPDX-License-Identifier: GPL-3.0-or-later
#include "cameras/firmware_image.h"

#include <algorithm>

#include "cameras/file_bytes.h"
#include "protocol/messages.h"
#include "res/string_table.h"

namespace vantrel {

const ImageKindTraits& TraitsOf(ImageKind kind) {
    static const ImageKindTraits system{0, "BNEG", IDS_BAD_SYSTEM_IMAGE, OP_SYSTEM_CHUNK};
    static const ImageKindTraits application{8, "UPGRADE APP_WARE FILE", IDS_BAD_APP_IMAGE,
                                             OP_APPLICATION_CHUNK};
    return kind == ImageKind::System ? system : application;
}

int OpenImage(const std::string& path, ImageKind kind, std::ifstream& file) {
    if (IsFolder(path)) {
        return IDS_FILE_OPEN_FAILED;
    }
    file.open(FilePath(path), std::ios::binary);
    if (!file.is_open()) {
        return IDS_FILE_OPEN_FAILED;
    }
    const ImageKindTraits& traits = TraitsOf(kind);
    std::string mark(traits.mark.size(), '\0');
    file.seekg(traits.markOffset);
    file.read(mark.data(), static_cast<std::streamsize>(mark.size()));
    if (file.bad()) {
        file.close();
        return IDS_FILE_OPEN_FAILED;
    }
    if (!file || mark != traits.mark) {
        file.close();
        return traits.badMarkMessage;
    }
    file.seekg(0);
    return 0;
}

std::size_t MarkBytes() {
    std::size_t bytes = 0;
    for (const ImageKind kind : {ImageKind::System, ImageKind::Application}) {
        const ImageKindTraits& traits = TraitsOf(kind);
        bytes = std::max(bytes, static_cast<std::size_t>(traits.markOffset) + traits.mark.size());
    }
    return bytes;
}

std::optional<ImageKind> KindByMark(std::string_view start) {
    for (const ImageKind kind : {ImageKind::System, ImageKind::Application}) {
        const ImageKindTraits& traits = TraitsOf(kind);
        if (start
                .substr(std::min<std::size_t>(static_cast<std::size_t>(traits.markOffset),
                                              start.size()))
                .starts_with(traits.mark)) {
            return kind;
        }
    }
    return std::nullopt;
}

std::optional<ImageKind> KindOfImage(const std::string& path, std::string& error) {
    const FileBytes start = ReadFileBytes(path, MarkBytes());
    if (!start.bytes) {
        error =
            std::string(LoadText(IDS_FILE_OPEN_FAILED)) + " (" + path + ": " + start.problem + ")";
        return std::nullopt;
    }
    if (const std::optional<ImageKind> kind = KindByMark(*start.bytes)) {
        return kind;
    }
    error = path +
            " is no firmware image: it has neither the system mark \"BNEG\" at its start nor "
            "the application mark \"UPGRADE APP_WARE FILE\" at byte 8";
    return std::nullopt;
}

}  // namespace vantrel
