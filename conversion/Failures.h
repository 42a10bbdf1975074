#pragma once

#include "framework/Text.h"

#include <vector>

namespace conversion {

using framework::String;

// What went wrong in a conversion that ended with a non-zero status.
enum class Failure
{
    NotALitFile,
    DamagedBook,
    ProtectedBook,
    BookUnreadable,
    DestinationNotWritable,
    DestinationFull,
    OutputExists,
    ConverterMissing,
    ConverterCannotRun,
    ConverterStopped,
    Unknown,
};

// The failure a status and the converter's standard error tell of. A status above 128 is 128 plus the
// number of the signal that ended the converter. Only the converter's own words count: the paths given
// (those it was given and those the user knows), and every name it quotes, are taken out first, so that
// no name of a book or folder reads as a reason.
Failure RecognizeFailure(int status, const String& standardError, std::vector<String> paths);

// For the user, in Polish: what went wrong and what they can do about it. The converter's path names it
// where it is missing or cannot run; a stopped converter gives its signal.
String ExplainFailure(Failure failure, int status, const String& converterPath);

} // namespace conversion
