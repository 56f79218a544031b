// Collects the archive's error reports during a test: on Windows through an
// application object whose message boxes only record, on the host from
// standard error, where the stand-in writes them.
#pragma once
#include <string>
#include <vector>
#include <gtest/gtest.h>
#ifdef _WIN32
#include "tests/common/MessageBoxRecorder.h"
#endif

namespace storetest {

#ifdef _WIN32
class ReportCapture : public CMessageBoxRecorder {
public:
    std::vector<std::string> Texts() { return texts; }
    const std::vector<UINT>& Types() const { return types; }
};
#else
class ReportCapture {
public:
    ReportCapture() { testing::internal::CaptureStderr(); }
    ~ReportCapture()
    {
        if (!m_done)
            testing::internal::GetCapturedStderr();
    }
    ReportCapture(const ReportCapture&) = delete;
    ReportCapture& operator=(const ReportCapture&) = delete;
    // Ends the capture; call once.
    std::vector<std::string> Texts()
    {
        m_done = true;
        const std::string all = testing::internal::GetCapturedStderr();
        std::vector<std::string> texts;
        const std::string prefix = "Kestrava: ";
        std::size_t start = 0;
        while (start < all.size()) {
            std::size_t end = all.find('\n', start);
            if (end == std::string::npos)
                end = all.size();
            const std::string line = all.substr(start, end - start);
            if (line.compare(0, prefix.size(), prefix) == 0)
                texts.push_back(line.substr(prefix.size()));
            start = end + 1;
        }
        return texts;
    }

private:
    bool m_done = false;
};
#endif

}  // namespace storetest
