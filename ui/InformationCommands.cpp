#include "ui/InformationCommands.h"

#include "Configuration.h"
#include "framework/Exceptions.h"
#include "framework/Messages.h"
#include "framework/Windows.h"
#include "ui/Window2.h"
#include "ui/Window3.h"

#include <cstdint>
#include <string>

namespace ui {

namespace {

// Where a window of this size starts when it is centred on a screen of that size: half the difference,
// which may be negative. The difference wraps as 32-bit integers do; the halving is real and the
// conversion back to an integer drops the fraction, so 221.5 becomes 221.
std::int32_t CentredStart(std::int32_t screenSize, std::int32_t windowSize)
{
    const auto difference = static_cast<std::int32_t>(static_cast<std::uint32_t>(screenSize) -
                                                      static_cast<std::uint32_t>(windowSize));
    return static_cast<std::int32_t>(difference / 2.0);
}

// Opens the page in the user's browser; where no program does, shows its address, to copy.
void showPage(const framework::String& url)
{
    framework::ShowURL(url, [url] {
        framework::MsgBox("Nie udało się otworzyć strony.",
                          "Żaden program jej nie otworzył. Oto jej adres, do skopiowania:\n" + url);
    });
}

} // namespace

bool ShowAboutWindow()
{
    framework::Require(::Window2()).Show();
    return false;
}

// Centred on the whole main screen, the part its menu bar and task bars take included.
bool ShowHelpWindow()
{
    const auto help = ::Window3();
    auto& window = framework::Require(help);
    window.SetLeft(CentredStart(framework::Require(framework::Screen(0)).width, window.Width()));
    window.SetTop(CentredStart(framework::Require(framework::Screen(0)).height, window.Height()));
    window.Show();
    return false;
}

bool OpenMakerPage()
{
    showPage(configuration::kMakerURL);
    return false;
}

// A new mail to the maker in the user's mail program; where none opens, the address to write to, to copy.
bool WriteFeedback()
{
    const framework::String url = configuration::kFeedbackURL;
    framework::ShowURL(url, [url] {
        const auto mailto = url.starts_with("mailto:") ? std::string("mailto:").size() : 0;
        framework::MsgBox("Nie udało się otworzyć programu pocztowego.",
                          "Uwagi można wysłać na ten adres, do skopiowania:\n" +
                              url.substr(mailto, url.find('?') - mailto));
    });
    return false;
}

bool OpenConverterPage()
{
    showPage(configuration::kConverterURL);
    return false;
}

} // namespace ui
