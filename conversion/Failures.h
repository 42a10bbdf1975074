#pragma once

#include "framework/Text.h"

#include <string_view>

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
// number of the signal that ended the converter.
Failure RecognizeFailure(int status, std::string_view standardError);

// For the user, in Polish: what went wrong and what they can do about it. The converter's path names it
// where it is missing or cannot run; a stopped converter gives its signal.
String ExplainFailure(Failure failure, int status, const String& converterPath);

} // namespace conversion
