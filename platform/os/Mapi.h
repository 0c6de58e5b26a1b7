#pragma once
// A mail service in the shape of Simple MAPI: the classic records, flags and
// result codes, and the three calls the log components use. MapiService() is
// the service in use; tests install a double with SetMapiService.
//
// On Linux there is no Simple MAPI provider. The Linux service (MapiLinux.h)
// hands a message with MAPI_DIALOG to the desktop's composer (xdg-email) and
// mails one without it through sendmail; it has no address book, and the
// composer cannot report that the user cancelled.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/rtl/Export.h"

namespace RV_API rv {

using ULONG = std::uint32_t;
using ULONG_PTR = std::uintptr_t;
using LHANDLE = std::uintptr_t;

struct TMapiRecipDesc {
  ULONG ulReserved = 0;
  ULONG ulRecipClass = 0;  // MAPI_ORIG, MAPI_TO, MAPI_CC or MAPI_BCC
  const char* lpszName = nullptr;
  const char* lpszAddress = nullptr;
  ULONG ulEIDSize = 0;
  const void* lpEntryID = nullptr;
};

struct TMapiFileDesc {
  ULONG ulReserved = 0;
  ULONG flFlags = 0;
  ULONG nPosition = 0;  // 0xFFFFFFFF: no position in the text
  const char* lpszPathName = nullptr;
  const char* lpszFileName = nullptr;  // the name shown to the recipient; null: the path's last part
  const void* lpFileType = nullptr;
};

struct TMapiMessage {
  ULONG ulReserved = 0;
  const char* lpszSubject = nullptr;
  const char* lpszNoteText = nullptr;
  const char* lpszMessageType = nullptr;
  const char* lpszDateReceived = nullptr;
  const char* lpszConversationID = nullptr;
  ULONG flFlags = 0;
  TMapiRecipDesc* lpOriginator = nullptr;
  ULONG nRecipCount = 0;
  TMapiRecipDesc* lpRecips = nullptr;
  ULONG nFileCount = 0;
  TMapiFileDesc* lpFiles = nullptr;
};

inline constexpr ULONG MAPI_ORIG = 0;
inline constexpr ULONG MAPI_TO = 1;
inline constexpr ULONG MAPI_CC = 2;
inline constexpr ULONG MAPI_BCC = 3;

inline constexpr ULONG MAPI_LOGON_UI = 0x1;
inline constexpr ULONG MAPI_DIALOG = 0x8;

inline constexpr ULONG SUCCESS_SUCCESS = 0;
inline constexpr ULONG MAPI_USER_ABORT = 1;
inline constexpr ULONG MAPI_E_FAILURE = 2;
inline constexpr ULONG MAPI_E_LOGON_FAILURE = 3;
inline constexpr ULONG MAPI_E_DISK_FULL = 4;
inline constexpr ULONG MAPI_E_INSUFFICIENT_MEMORY = 5;
inline constexpr ULONG MAPI_E_ACCESS_DENIED = 6;
inline constexpr ULONG MAPI_E_TOO_MANY_SESSIONS = 8;
inline constexpr ULONG MAPI_E_TOO_MANY_FILES = 9;
inline constexpr ULONG MAPI_E_TOO_MANY_RECIPIENTS = 10;
inline constexpr ULONG MAPI_E_ATTACHMENT_NOT_FOUND = 11;
inline constexpr ULONG MAPI_E_ATTACHMENT_OPEN_FAILURE = 12;
inline constexpr ULONG MAPI_E_ATTACHMENT_WRITE_FAILURE = 13;
inline constexpr ULONG MAPI_E_UNKNOWN_RECIPIENT = 14;
inline constexpr ULONG MAPI_E_BAD_RECIPTYPE = 15;
inline constexpr ULONG MAPI_E_NO_MESSAGES = 16;
inline constexpr ULONG MAPI_E_INVALID_MESSAGE = 17;
inline constexpr ULONG MAPI_E_TEXT_TOO_LARGE = 18;
inline constexpr ULONG MAPI_E_INVALID_SESSION = 19;
inline constexpr ULONG MAPI_E_TYPE_NOT_SUPPORTED = 20;
inline constexpr ULONG MAPI_E_AMBIGUOUS_RECIPIENT = 21;
inline constexpr ULONG MAPI_E_MESSAGE_IN_USE = 22;
inline constexpr ULONG MAPI_E_NETWORK_FAILURE = 23;
inline constexpr ULONG MAPI_E_INVALID_EDITFIELDS = 24;
inline constexpr ULONG MAPI_E_INVALID_RECIPS = 25;
inline constexpr ULONG MAPI_E_NOT_SUPPORTED = 26;

class TMapiService {
 public:
  TMapiService();
  virtual ~TMapiService();
  TMapiService(const TMapiService&) = delete;
  TMapiService& operator=(const TMapiService&) = delete;

  // Resolves Name to one recipient. On success *Recip is a record the caller
  // releases with MAPIFreeBuffer; otherwise it is null.
  virtual ULONG MAPIResolveName(LHANDLE Session, ULONG_PTR UIParam, const char* Name, ULONG Flags, ULONG Reserved,
                                TMapiRecipDesc** Recip) = 0;
  // Hands a message over. Everything it points to need only stay valid for
  // the call.
  virtual ULONG MAPISendMail(LHANDLE Session, ULONG_PTR UIParam, const TMapiMessage* Message, ULONG Flags,
                             ULONG Reserved) = 0;
  // Releases a record this service handed out. Null is accepted; anything
  // else not handed out (or already released) gives MAPI_E_FAILURE and is left alone.
  virtual ULONG MAPIFreeBuffer(void* Buffer);

  // Records handed out and not released yet.
  std::size_t BuffersInUse() const;

 protected:
  // A recipient record owning its texts and entry identifier (bytes), to be
  // released with MAPIFreeBuffer.
  TMapiRecipDesc* NewRecipient(ULONG RecipClass, const std::string& Name, const std::string& Address,
                               const std::string& EntryID);

 private:
  struct TRecipBlock;
  mutable std::mutex FLock;
  std::map<const void*, std::unique_ptr<TRecipBlock>> FBuffers;
};

// The service in use: the one installed last, else the Linux service.
TMapiService& MapiService();
// Installs Service (null: the Linux service again) and returns the one
// installed before (null when that was the Linux service). The caller keeps
// ownership and restores the previous one before Service goes.
TMapiService* SetMapiService(TMapiService* Service);

}  // namespace rv
