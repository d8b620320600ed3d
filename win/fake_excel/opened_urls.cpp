#include "win/fake_excel/opened_urls.h"

#include "win/common/text.h"
#include "win/common/win32.h"
#include "win/platform/win_platform.h"

namespace tessaly::fake {

void RecordUrl(const std::string& url) {
    HANDLE file = CreateFileW(kOpenedUrls, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const std::string line = url + "\n";
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

std::string OpenedUrls() {
    std::string text;
    HANDLE file = CreateFileW(kOpenedUrls, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return text;
    char buffer[1024];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        text.append(buffer, read);
    CloseHandle(file);
    return text;
}

std::string BrowserTarget(const std::string& url) {
    return !url.empty() && url.front() == '/' ? win::Narrow(win::InstalledSitePage(url)) : url;
}

}  // namespace tessaly::fake
