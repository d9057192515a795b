// Test entry point: a modal step that a test did not script fails that test at once.
#include <gtest/gtest.h>

#include "base/ErrorLog.h"
#include "base/Modal.h"

namespace {
class ClearModalScript : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { base::modal::ClearScript(); }
    void OnTestEnd(const ::testing::TestInfo&) override { base::modal::ClearScript(); }
};
}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    base::InstallErrorLog();
    base::modal::EnableScripting([](const base::modal::Step& step) -> long {
        ADD_FAILURE() << "unscripted modal step \"" << step.kind << "\" (title \"" << step.title << "\", text \""
                      << step.text << "\")";
        return 2;  // Cancel
    });
    ::testing::UnitTest::GetInstance()->listeners().Append(new ClearModalScript);
    return RUN_ALL_TESTS();
}
