// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include <cstdint>
#include <string>

// A folder of `names` entries made for the benchmark: 1% subfolders, 1% symbolic links (half
// to files, half to folders) unless made without links, the rest empty files. Made once and
// reused while its marker stays beside it. `copy` tells apart folders that are otherwise alike.
// Links name their target in the same folder, or, with absoluteLinks, by its absolute path, as
// a link to another folder would.
struct BenchFolder
{
    std::string path;
    std::int64_t names = 0;
    std::int64_t expectedFiles = 0; // files and links to files
};

BenchFolder makeBenchFolder(const std::string& parent, std::int64_t names, bool withLinks = true,
                            int copy = 0, bool absoluteLinks = false);
void removeBenchFolder(const BenchFolder& folder);
