#include "conversion/Outcome.h"

#include "conversion/FirstPage.h"
#include "conversion/Konwertuj.h"
#include "conversion/Opening.h"
#include "framework/Messages.h"

#include <vector>

namespace conversion {

namespace {

String trimmed(const String& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    return first == String::npos ? String()
                                 : text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

} // namespace

void ReportOutcome(const FinishedConversion& conversion)
{
    if (const auto failure = conversion.failure) {
        auto explanation = ExplainFailure(*failure, conversion.status, conversion.converterPath);
        // A stopped converter's explanation says so already.
        if (conversion.destinationGained && *failure != Failure::ConverterStopped) {
            explanation += " " + kPartialFilesMessage;
        }
        framework::MsgBox(kErrorMessagePrefix + framework::Str(conversion.status), explanation,
                          framework::ReplaceAll(trimmed(conversion.errorOutput), "\t", "    "));
        return;
    }
    const auto& folder = conversion.destinationPath;
    std::vector<framework::MessageAction> actions;
    if (const auto package =
            WrittenPackage(conversion.packagesBefore, PackageNames(folder), conversion.bookPath)) {
        if (const auto page = FirstPage(folder + "/" + *package)) {
            actions.push_back({kOpenBookCaption, [page = *page] { OpenBookPage(page); }});
        }
    }
    actions.push_back({kShowFolderCaption, [folder] { OpenBookFolder(folder); }});
    framework::MsgBox(kDoneMessage, "Książka jest w teczce „" + folder + "”.", "", actions);
}

} // namespace conversion
