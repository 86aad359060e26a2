#include "link/key_command.h"

#include "link/commands.h"

namespace tamarack {

TransactStatus SendKeyCommand(SerialLink& link, UserFeedback& ui, std::string_view keyCode) {
  ReplyArea reply;
  const Frame request = KeyRequest(keyCode);
  return RequireOk(Transact(link, ui, request, kKeyWaitMs, reply), reply);
}

}  // namespace tamarack
