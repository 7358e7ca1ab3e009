#pragma once

// The Maintenance page: firmware upload, restart and factory reset.

#include <exception>
#include <string>
#include <vector>

#include "device/device.h"
#include "net/http_data_stream.h"

namespace device {

// The firmware form: three fields, then the image from `path`. Throws
// std::system_error naming the file when it cannot be opened, and
// std::runtime_error when it is empty: no device takes an empty image.
net::THttpDataStream FirmwareForm(const std::string& path);
std::string UploadUrl(const std::string& address);
std::string UploadReferer(const std::string& address);

// What an upload's end means. Judged by what happened, never by digits
// inside a device's text.
enum class UploadOutcome {
  Accepted,     // the device's redirect (302): the image was taken
  Refused,      // a redirect to the form's failure page
  Answered,     // a 2xx without a redirect
  TooLarge,     // the device aborted the connection while the image went up
  FileChanged,  // the file changed while it was sent
  NoAnswer,     // no connection, or it ended with no reply at all
  Failed,       // anything else
};
// `error` is what the upload raised; nothing for a normal return.
UploadOutcome JudgeUpload(std::exception_ptr error);
// The message for an upload that was not accepted (not for Answered).
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

}  // namespace device
