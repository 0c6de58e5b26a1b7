#pragma once
// mailto: URIs for the desktop's mail composer.

#include <string>
#include <string_view>

#include "platform/os/MailDraft.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

// Text with every byte other than the unreserved characters (letters,
// digits, - . _ ~) and those in Keep written as %XX.
std::string PercentEncode(std::string_view Text, std::string_view Keep = {});

// mailto:to1,to2?cc=..&bcc=..&subject=..&body=..&attach=..: every value is
// percent-encoded, so nothing in an address, the subject, the body or a path
// can end a value or add a parameter. Empty parts are left out.
std::string BuildMailtoUri(const TMailDraft& Draft);

}  // namespace rv
