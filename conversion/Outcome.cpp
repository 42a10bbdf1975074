#include "conversion/Outcome.h"

#include "conversion/Failures.h"
#include "conversion/FirstPage.h"
#include "conversion/Konwertuj.h"
#include "conversion/Opening.h"
#include "framework/Messages.h"

#include <vector>

namespace conversion {

namespace {

String withoutTrailingSlash(String path)
{
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

String trimmed(const String& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    return first == String::npos ? String()
                                 : text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

} // namespace

void ReportOutcome(const FinishedConversion& conversion)
{
    const auto status = conversion.status;
    if (status != 0) {
        const auto failure = RecognizeFailure(status, conversion.errorOutput);
        framework::MsgBox(kErrorMessagePrefix + framework::Str(status),
                          ExplainFailure(failure, status, conversion.converterPath),
                          framework::ReplaceAll(trimmed(conversion.errorOutput), "\t", "    "));
        return;
    }
    const auto folder = withoutTrailingSlash(conversion.destinationPath);
    std::vector<framework::MessageAction> actions;
    const auto bookName = conversion.bookPath.substr(conversion.bookPath.rfind('/') + 1);
    if (const auto package = WrittenPackage(conversion.packagesBefore, PackageNames(folder), bookName)) {
        if (const auto page = FirstPage(folder + "/" + *package)) {
            actions.push_back({kOpenBookCaption, [page = *page] { OpenBookPage(page); }});
        }
    }
    actions.push_back({kShowFolderCaption, [folder] { OpenBookFolder(folder); }});
    framework::MsgBox(kDoneMessage, "Książka jest w teczce „" + folder + "”.", "", actions);
}

} // namespace conversion
