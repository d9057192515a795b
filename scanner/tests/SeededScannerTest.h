#pragma once
// The scanner fixture over the seeded test machine: the machine planted once for the suite, the
// sample definitions installed for every test.
#include <memory>

#include "base/TextFile.h"
#include "base/testing/seeded/SeededMachine.h"
#include "scanner/tests/ScannerTestSupport.h"

namespace scannertest {

class SeededScannerTest : public ScannerTest {
protected:
    static void SetUpTestSuite() { machine_ = std::make_unique<testing_support::SeededMachine>(); }
    static void TearDownTestSuite() { machine_.reset(); }
    void SetUp() override {
        ScannerTest::SetUp();
        InstallDefinitions(base::ReadWhole(testing_support::SourceDir() + "\\assets\\definitions\\definitions.txt"));
    }
    static inline std::unique_ptr<testing_support::SeededMachine> machine_;
};

}  // namespace scannertest
