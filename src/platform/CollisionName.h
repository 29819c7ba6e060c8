#pragma once
// Names that step aside when they are taken. A file that must never replace another walks a
// row of candidate names and takes the first one it can:
//   a download's finished file   "clip.mp4", "clip[1].mp4", "clip[2].mp4" ...
//   a conversion's output        "clip.mov", "clip(ipod).mov", "clip(ipod)(ipod).mov" ...
//   the work files of both       "~qrv1A2B.tmp", numbered on from a random start
// Each caller keeps its own limit, its own first name and its own way of taking a name; the
// walk and the forms of the names are here.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace talvex {

// What trying one candidate came to.
enum class NameTry {
    Taken,   // not this one (something holds the name): go on with the next
    Done,    // the name is the caller's now
    GiveUp,  // no other name would fare better (the folder takes no file): stop
};

// Offers the candidates 0, 1, ... attempts - 1 to take in that order. The number of the one
// taken; nothing when one gave up or every one was taken.
std::optional<int> TakeFirstFree(int attempts, const std::function<NameTry(int)>& take);

// What a download's name carries between its title and its extension on try n: "[n]", and
// nothing on try 0 (the name itself).
std::wstring NumberMark(int n);

// stem, then suffix n times, then extension (with its dot, or empty): a conversion's try n.
std::wstring SuffixedName(std::wstring_view stem, std::wstring_view suffix, int n,
                          std::wstring_view extension);

}  // namespace talvex
