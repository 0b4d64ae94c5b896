// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include <QString>

#include <string>
#include <vector>

// What the folder chooser reads from the file system. Every function here may block for as long
// as the file system takes (a network share that no longer answers): call them off the window's
// thread. The parsers of the places files are separate and never touch the file system.

// The subfolders of one folder, by name, in no order ("." and ".." left out). A link counts as
// what it points to. `opened` is false when the folder could not be opened or read.
struct SubfolderListing
{
    bool opened = false;
    std::vector<std::string> names;
};
SubfolderListing listSubfolders(const std::string& folder);

// A place beside the folder tree: a name to show and the folder's absolute path.
struct Place
{
    QString name;
    QString path;
};

// The local folders of GTK's bookmarks file, named by their label or else their last name.
std::vector<Place> bookmarksFromText(const QString& text);
// The removable and network volumes among the mounts of /proc/self/mountinfo.
std::vector<Place> volumesFromMountInfo(const QString& text);

// The places after home: the user's XDG folders that exist, the bookmarked folders that exist
// and the mounted volumes (which are not looked at: a network volume may not answer).
std::vector<Place> readPlaces();
