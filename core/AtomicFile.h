#pragma once
// Replaces a file's whole content without ever leaving it missing or half written: the new
// content goes to a temporary file beside it, which then takes the file's place in one step.
// The file keeps its attributes (read-only, hidden, system) and its access list. Until Commit
// succeeds the old file is untouched (only a failure to set the attributes back once the new
// content is in place is reported after the replacement); a writer dropped uncommitted deletes
// its temporary file.
#include <functional>
#include <string>

#include "base/Handles.h"

class AtomicFileWriter {
public:
    // Creates the temporary file in the target's folder; throws base::RuntimeError.
    explicit AtomicFileWriter(std::string target);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void Write(const std::string& text);  // throws base::RuntimeError
    // Flushes and puts the new file in place; throws, also when a folder stands at the target or
    // the file is not there afterwards.
    void Commit();

    const std::string& TemporaryPath() const { return temp_; }

    // Tests: called before every Write (with the number of writes done so far) and before the
    // commit (with SIZE_MAX); a hook that throws makes that step fail.
    using FaultHook = std::function<void(size_t writesSoFar)>;
    static void SetFaultHook(FaultHook hook);

private:
    std::string target_;
    std::string temp_;
    base::FileHandle file_;
    size_t writes_ = 0;
    bool committed_ = false;
};

// The whole content in one go through an AtomicFileWriter.
void ReplaceFileContent(const std::string& target, const std::string& content);
