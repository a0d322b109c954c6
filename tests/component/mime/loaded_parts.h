// A message text and the leaf parts cut from it, as a load builds them: the MIME structure
// first, then the uuencoded blocks of a single-part message. The parts view the text, so the
// pair neither copies nor moves.
#pragma once

#include <string>
#include <utility>

#include "mime/multipart.h"
#include "mime/part_list.h"
#include "mime/uuencoded_parts.h"

struct LoadedParts {
    explicit LoadedParts(std::string message) : text(std::move(message)) {
        velmo::BuildParts(text, parts);
        velmo::ExtractUuencoded(parts);
    }
    LoadedParts(const LoadedParts&) = delete;
    LoadedParts& operator=(const LoadedParts&) = delete;

    std::string text;
    velmo::PartList parts;
};
