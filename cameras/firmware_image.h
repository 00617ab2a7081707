// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// The two kinds of firmware image. The program looks only at an image's
// mark; everything else is the camera's business and is sent unchanged.
enum class ImageKind { System, Application };

struct ImageKindTraits {
    std::streamoff markOffset;
    std::string_view mark;
    int badMarkMessage;     // string id when the mark is wrong
    std::uint16_t chunkOp;  // upload op of its chunks
};

[[nodiscard]] const ImageKindTraits& TraitsOf(ImageKind kind);

// Opens the image for binary reading and tests its mark. Returns 0 with the
// file open at its start, or the message to show with the file closed: a
// folder, or a file that will not open or read, is one that fails to open.
[[nodiscard]] int OpenImage(const std::string& path, ImageKind kind, std::ifstream& file);

// How many of an image's first bytes hold its mark, whichever its kind.
[[nodiscard]] std::size_t MarkBytes();

// The kind whose mark the first bytes of an image hold, if either does.
[[nodiscard]] std::optional<ImageKind> KindByMark(std::string_view start);

// The kind of the image in the file, by its mark; nothing, with why in
// error, when it cannot be read or bears neither mark.
[[nodiscard]] std::optional<ImageKind> KindOfImage(const std::string& path, std::string& error);

}  // namespace vantrel
