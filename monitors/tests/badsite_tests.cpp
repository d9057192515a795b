// The bad-site check through a verdict channel of the test's own: reports as the connection monitor
// sends them, the verdicts, refusals and what the user is told.
#include <gtest/gtest.h>

#include <map>

#include "GuardFixture.h"
#include "monitors/BadSite.h"

namespace bs = monitors::badsite;

namespace {

struct Channel : bs::VerdictChannel {
    std::vector<std::string> calls;
    bool deliver = true;
    bool Verdict(int v) override {
        calls.push_back("verdict " + std::to_string(v));
        return deliver;
    }
    bool Refused(int v) override {
        calls.push_back("refused " + std::to_string(v));
        return deliver;
    }
};

class BadSite : public ::testing::Test {
protected:
    testing_support::ScopedProgramFolder folder_;
    Channel channel_;
    bs::ConnectionReports reports_;
    void SetUp() override {
        bs::SetVerdictChannel(&channel_);
        std::map<std::string, std::string> defs = {{"PLINKT1", "Bad"},     {"PLINKD1", "http://www.BadSite.com"},
                                                   {"PLINKT2", "Ads"},     {"PLINKD2", "ADS.example"},
                                                   {"PLINKT4", "Skipped"}, {"PLINKD4", "after.gap"}};
        bs::LoadScamList([&](const std::string&, const std::string& key) { return defs[key]; });
    }
    void TearDown() override {
        bs::SetVerdictChannel(nullptr);
        bs::ScamSiteList().assign(1, {});
    }
    std::string Exchange(const std::string& report) {
        reports_.OnSetText(report.c_str(), report.size());
        const std::string shown = reports_.OnTrigger();
        reports_.OnSetText(bs::kMessageWindowCaption, 0);  // the caption set back
        return shown;
    }
};

TEST_F(BadSite, ListLoadsCleanedAndStopsAtTheFirstGap) {
    const auto& list = bs::ScamSiteList();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[1].site, "badsite.com");
    EXPECT_EQ(list[2].site, "ads.example");
}

TEST_F(BadSite, ReportsAreJudgedRefusedOrBlocked) {
    struct Case {
        const char* report;
        const char* shown;
        const char* call;
    } cases[] = {
        {"1|WWW.BADSITE.COM:80|2|3|4", "WWW.BADSITE.COM:80 is a bad site and we Blocked it", "verdict 2"},
        {"1|good.example|2|3", "", "verdict 1"},
        {"1|badsite.com| |3", "", "refused 1"},  // a blank field 3
        {"1|badsite.com", "", "refused 1"},
        {"", "", "refused 1"},  // a trigger with nothing stored since the reset
    };
    for (const auto& c : cases) {
        channel_.calls.clear();
        EXPECT_EQ(Exchange(c.report), c.shown) << c.report;
        EXPECT_EQ(channel_.calls, std::vector<std::string>{c.call}) << c.report;
    }
}

TEST_F(BadSite, SameReportTwiceWithoutTriggerIsRefused) {
    const std::string r = "1|good.example|2|3";
    reports_.OnSetText(r.c_str(), r.size());
    reports_.OnSetText(r.c_str(), r.size());
    EXPECT_TRUE(reports_.Refused());
    EXPECT_EQ(reports_.OnTrigger(), "");
    EXPECT_EQ(channel_.calls, std::vector<std::string>{"refused 1"});
}

TEST_F(BadSite, LongOrUnterminatedReportsStayInsideTheirBytes) {
    std::string big(4000, 'a');
    big.replace(0, 20, "1|badsite.com|2|3|4|");
    reports_.OnSetText(big.c_str(), big.size());
    EXPECT_EQ(reports_.Report().size(), bs::kMaxReport);
    // The length the sender names is not trusted past the bytes' own end.
    const char shortText[] = "1|x|2|3";
    reports_.OnSetText(shortText, 100000);
    EXPECT_EQ(reports_.Report(), "1|x|2|3");
    reports_.OnSetText(nullptr, 50);
    EXPECT_EQ(reports_.Report(), "");
}

TEST_F(BadSite, BlockNotDeliveredIsNotToldAsDone) {
    channel_.deliver = false;
    EXPECT_EQ(Exchange("1|badsite.com|2|3"), "");
    EXPECT_EQ(channel_.calls, std::vector<std::string>{"verdict 2"});
    int n = 0;
    for (const auto& l : monitors_testing::ErrorLog())
        n += l.find("Method: NewConnectionDetected") != std::string::npos;
    EXPECT_EQ(n, 1);
}

TEST(BadSiteFields, GetField) {
    EXPECT_EQ(bs::getField("a|b|c", "|", 2), "b");
    EXPECT_EQ(bs::getField("a|b|c", "|", 4), "");
    EXPECT_EQ(bs::getField("a||c", "|", 2), "");
    EXPECT_EQ(bs::getField("abc", "|", 1), "abc");
}

}  // namespace
