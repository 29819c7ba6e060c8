#pragma once
// Playlists too long to keep in the fixture site's folder, written at test time below its
// media folder, where the site serves them as /playlist?list=ID&page=N (pages/playlist/ID/N.html,
// in the format of the fixture's own list pages). The first video is a real one of the site
// ("sd360only01"); the others are made-up ids that the site answers with "404".
#include <filesystem>
#include <string>

namespace talvex::test {

struct GeneratedPlaylist {
    std::string address;  // http://www.youtube.com/playlist?list=ID
    int pages = 0;
};

GeneratedPlaylist WriteGeneratedPlaylist(const std::filesystem::path& mediaFolder,
                                         const std::string& listId, int videos, int perPage);

}  // namespace talvex::test
