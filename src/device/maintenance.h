#pragma once

// The Maintenance page: firmware upload, restart and factory reset.

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "device/device.h"
#include "device/exchange.h"
#include "net/http_data_stream.h"

namespace device {

// The firmware form: three fields, then the image from `path`. Throws
// std::system_error naming the file when it cannot be opened, and
// std::runtime_error when it is empty: no device takes an empty image.
// `copied`: the image is read now into a private copy, sent from there
// (net::SentFile::Copy); for several devices, which all get the same bytes.
net::THttpDataStream FirmwareForm(const std::string& path, bool copied = false);
std::string UploadUrl(const std::string& address);
std::string UploadReferer(const std::string& address);

// What an upload's end means. Judged by what happened, never by digits
// inside a device's text.
enum class UploadOutcome {
  Accepted,     // the device's redirect to the form's answer page, once it had
                // the whole image: it took it
  Refused,      // its failure page, another page, or a refusing status
  LoginFailed,  // a 401: it asked for other credentials
  Answered,     // a 2xx without a redirect
  TooLarge,     // it said so (413), or ended the connection without a word
                // while the image was still going out to it
  FileChanged,  // the file changed while it was sent
  NoAnswer,     // no connection, silence, a close or reset with no reply
                // once the image was out, or bytes that are no reply
  Failed,       // anything else (a redirect to the answer page before the
                // device had the whole image, for one)
};
struct UploadVerdict {
  UploadOutcome outcome = UploadOutcome::Failed;
  int status = 0;             // of the device's reply; 0 when none came
  std::string location;       // where that reply redirected to
  bool failure_page = false;  // to the form's failure page
  // The reply's status text as it came (a device's bytes: made printable
  // before any terminal sees them); for no answer, how the upload ended
  // ("it was silent", "it ended the connection without a reply", the
  // system's words for a connection refused).
  std::string said;
};
// `error` is what the upload raised; nothing for a normal return.
UploadVerdict JudgeUpload(std::exception_ptr error);
// The window's message for an upload that was not accepted (not for
// Answered): "Kernel Size is too large." when too large, otherwise "Upload
// fail!", with the file's name when it changed.
Message UploadFailure(UploadOutcome outcome, const std::string& path);

Message ConfirmFlash();
Message ConfirmRestartAfterUpload();
Message ConfirmReboot();
Message ConfirmFactoryReset();

Command Restart(const std::string& address);
// The reset, then the restart.
std::vector<Command> FactoryReset(const std::string& address);
// Once reset, the device takes its factory login only: a restart refused
// for its credentials (401) goes again with this user and an empty password.
inline constexpr char kFactoryUser[] = "admin";

// The factory reset as the console and brevane-ctl both carry it out,
// each command through device::Submit: the reset, then, only once the
// device did it, the restart. A reset refused, or unanswered, is not
// followed by a restart: the device may not have reset, and a restart
// would only cut its connections or go to a device that is gone. Once
// reset, the device takes its factory login only: a restart refused for
// its credentials (401) goes again with kFactoryUser and an empty password,
// which `session` holds from then on.
struct FactoryResetSubmissions {
  Submission reset;
  std::optional<Submission> restart;  // the last one sent, if any was
  // What became of the whole: the restart's outcome, or the reset's.
  Outcome outcome() const { return restart ? restart->outcome : reset.outcome; }
};
FactoryResetSubmissions ResetToFactory(net::CommandClient& client, Session& session);

}  // namespace device
