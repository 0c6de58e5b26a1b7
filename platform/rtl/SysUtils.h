#pragma once
// The run-time library helpers in one include.

#include "platform/rtl/Convert.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/OSError.h"
#include "platform/rtl/StrUtils.h"
#include "platform/rtl/Utf16.h"
