#include "ui/InformationCommands.h"

#include "Configuration.h"
#include "framework/Messages.h"

namespace ui {

bool ShowAboutWindow()
{
    return false;
}

bool ShowHelpWindow()
{
    return false;
}

bool OpenMakerPage()
{
    framework::ShowURL(configuration::kMakerURL);
    return false;
}

bool WriteFeedback()
{
    framework::ShowURL(configuration::kFeedbackURL);
    return false;
}

bool OpenConverterPage()
{
    framework::ShowURL(configuration::kConverterURL);
    return false;
}

} // namespace ui
