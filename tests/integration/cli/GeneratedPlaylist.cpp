#include "integration/cli/GeneratedPlaylist.h"

#include <cstdio>

#include "support/TestHome.h"

namespace talvex::test {

GeneratedPlaylist WriteGeneratedPlaylist(const std::filesystem::path& mediaFolder,
                                         const std::string& listId, int videos, int perPage) {
    GeneratedPlaylist list;
    list.address = "http://www.youtube.com/playlist?list=" + listId;
    list.pages = (videos + perPage - 1) / perPage;
    const std::filesystem::path folder = mediaFolder / "pages" / "playlist" / listId;
    for (int page = 1; page <= list.pages; ++page) {
        std::string html =
            "<!DOCTYPE html>\n<html><head><meta name=\"title\" content=\"A long list\"></head>\n"
            "<body><ol class=\"video-list playlist-videos\">\n";
        for (int n = (page - 1) * perPage; n < videos && n < page * perPage; ++n) {
            char id[16];
            std::snprintf(id, sizeof id, "gen%08d", n);
            html += std::string("<li class=\"playlist-video-item\" data-video-id=\"") +
                    (n == 0 ? "sd360only01" : id) + "\"></li>\n";
        }
        html += "</ol>\n";
        if (page < list.pages) {
            html += "<a class=\"yt-uix-pager-next\" href=\"/playlist?list=" + listId +
                    "&amp;page=" + std::to_string(page + 1) + "\">Next</a>\n";
        }
        html += "</body></html>\n";
        WriteFileBytes(folder / (std::to_string(page) + ".html"), html);
    }
    return list;
}

}  // namespace talvex::test
