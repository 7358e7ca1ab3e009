#include "device/device.h"

#include "i18n/translate.h"

namespace device {

using i18n::Translate;

Message Say(const std::string& text_key, const std::string& title_key, Icon icon) {
  return {Translate(text_key), Translate(title_key), icon};
}

std::string NasUrl(const std::string& address, const std::string& redirect,
                   const std::string& command) {
  return "http://" + address + "/nas.cgi?redirect=" + redirect +
         "&failure=fail.htm&type=" + command;
}

std::optional<Refusal> NotListed(const std::string& value, const std::vector<std::string>& offered,
                                 const std::string& title_key) {
  for (const std::string& entry : offered)
    if (entry == value) return std::nullopt;
  return Refusal{Say("Please choose an entry from the list.", title_key)};
}

Message NoFolder(const std::string& title_key) {
  return Say("The folder has no name: nothing was sent.", title_key);
}

Message NoAccount(const std::string& title_key) {
  return Say("The account has no name: nothing was sent.", title_key);
}

Message ConfirmDeleteFolder(const std::string& title_key) {
  return {Translate("Selected folder and its contents will be deleted!") + "\n" +
              Translate("Are you sure?"),
          Translate(title_key), Icon::Question};
}

}  // namespace device
