// The names the real-disk load gives its files and its mutex, and the reading of a file name back into the run
// tag and file number it was made from, so that a leftover of an earlier run is recognised by its name.
#pragma once

#include <cstdint>
#include <string>

// "kestrovane-disk-" 16 hex digits of the run tag "-" 8 hex digits of the file number ".tmp".
std::u16string DiskFileName(uint64_t runTag, uint64_t fileNumber);
// The pattern that finds every such name in a folder.
constexpr char16_t kDiskFileNamePattern[] = u"kestrovane-disk-*.tmp";

// True when `name` (a bare file name) has exactly that form, in any case; gives the tag and the number.
bool ParseDiskFileName(const std::u16string& name, uint64_t& runTag, uint64_t& fileNumber);

// "Local\Kestrovane-disk-" and the tag in 16 hex digits: held by a load for as long as it runs, so that another
// copy of the program can tell the files of a running load from those of a dead one.
std::u16string DiskMutexName(uint64_t runTag);
