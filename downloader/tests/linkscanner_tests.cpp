// The page link scanner's table.
#include <gtest/gtest.h>

#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "downloader/LinkScanner.h"

using namespace downloader;
using testing_support::TempFolder;

TEST(LinkScanner, Table) {
    struct Row {
        const char* name;
        const char* page;
        LinkFilter filter;
        std::vector<std::string> links;  // taken, in order
    };
    const Row rows[] = {
        {"image src", "<img src=\"pics/a.gif\">", {}, {"pics/a.gif"}},
        {"upper case keys", "<A HREF=\"b.htm\">x</A>", {}, {"b.htm"}},
        {"earlier key wins", "<a href=\"first.htm\"><img src=\"second.gif\">", {}, {"first.htm"}},
        {"skipped link lets the line go on", "<a href=\"x.zip\"> <img src=\"y.gif\">", {}, {"y.gif"}},
        {"zip needs every type", "<a href=\"x.zip\">", {}, {}},
        {"zip with every type", "<a href=\"x.zip\">", {false, false, true}, {"x.zip"}},
        {"jpg is not jpeg", "<img src=\"p.jpg\">", {}, {}},
        {"only text skips pictures", "<img src=\"p.gif\"><a href=\"t.txt\">", {true, false, false}, {"t.txt"}},
        {"only pictures skips pages", "<a href=\"t.htm\"><img src=\"p.jpeg\">", {false, true, false}, {"p.jpeg"}},
        {"no closing quote ends the line", "<img src=\"a.gif\n<img src=\"b.gif\">", {}, {"b.gif"}},
        {"one link a line", "<img src=\"a.gif\"><img src=\"b.gif\">\n<img src=\"c.gif\">", {}, {"a.gif", "c.gif"}},
        {"twice fetched once", "<img src=\"a.gif\">\n<img src=\"a.gif\">", {}, {"a.gif"}},
        {"parent folder refused", "<a href=\"../../windows/x.htm\">", {}, {}},
        {"absolute path refused", "<a href=\"/etc/x.htm\">", {}, {}},
        {"drive refused", "<a href=\"C:/x.htm\">", {}, {}},
        {"url with scheme refused", "<a href=\"http://elsewhere/x.htm\">", {}, {}},
    };
    for (const Row& r : rows) {
        TempFolder site;
        base::WriteText(site / "index.htm", r.page);
        std::set<std::string> fetched;
        const std::vector<SiteLink> got =
            CheckSite(site / "index.htm", "http://host/index.htm", "index.htm", r.filter, fetched);
        std::vector<std::string> links;
        for (const SiteLink& l : got) links.push_back(l.link);
        EXPECT_EQ(links, r.links) << r.name;
    }
}

TEST(LinkScanner, PathsAndAddressesAndTheFetchedList) {
    TempFolder site;
    base::WriteText(site / "index.htm", "<img src=\"pics/a.gif\">\r\n");
    std::set<std::string> fetched;
    std::vector<SiteLink> got = CheckSite(site / "index.htm", "http://host/index.htm", "index.htm", {}, fetched);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].url, "http://host/pics/a.gif");
    EXPECT_EQ(got[0].localPath, site / "pics\\a.gif");
    EXPECT_TRUE(base::FolderExists(site / "pics"));
    // The list lives on: a second scan of the same page takes nothing.
    EXPECT_TRUE(CheckSite(site / "index.htm", "http://host/index.htm", "index.htm", {}, fetched).empty());
    // A page in a folder of the server: its links are in that folder too.
    std::set<std::string> other;
    got = CheckSite(site / "index.htm", "http://host/dir/index.htm", "dir/index.htm", {}, other);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].url, "http://host/dir/pics/a.gif");
    EXPECT_THROW(CheckSite(site / "missing.htm", "http://host/m.htm", "m.htm", {}, fetched), std::exception);
}
