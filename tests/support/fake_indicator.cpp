#include "support/fake_indicator.h"

namespace tamarack::test {

Reply Reply::Silence() {
  Reply r("");
  r.silent = true;
  return r;
}

Reply Reply::BadCheck(std::string_view payload) {
  Reply r(payload);
  r.badCheck = true;
  return r;
}

Frame Reply::Bytes() const {
  if (silent) return {};
  Frame frame = ShortFrame(payload);
  if (badCheck) frame.back() ^= 0x01;
  return frame;
}

void ScriptedIndicator::Serve(FakeLink& link) {
  link.responder = [this](const Frame& request) { return Answer(request); };
}

ScriptedIndicator& ScriptedIndicator::When(Rule rule) {
  rules_.push_back(std::move(rule));
  return *this;
}

ScriptedIndicator& ScriptedIndicator::On(std::string payload, Reply reply) {
  return When([payload = std::move(payload),
               reply = std::move(reply)](const std::string& p) -> std::optional<Reply> {
    if (p == payload) return reply;
    return std::nullopt;
  });
}

ScriptedIndicator& ScriptedIndicator::Always(Reply reply) {
  return When(
      [reply = std::move(reply)](const std::string&) { return std::optional<Reply>(reply); });
}

ScriptedIndicator& ScriptedIndicator::ReadsParams(
    std::function<std::string(const std::string& address)> value) {
  return When([value = std::move(value)](const std::string& p) -> std::optional<Reply> {
    if (p.size() == 9 && p[0] == 'P' && p.substr(6) == "=RE") {
      return Reply(p.substr(0, 7) + value(p.substr(1, 5)) + "E");
    }
    return std::nullopt;
  });
}

Frame ScriptedIndicator::Answer(const Frame& request) {
  const std::string payload = Payload(request);
  for (auto rule = rules_.rbegin(); rule != rules_.rend(); ++rule) {
    if (std::optional<Reply> reply = (*rule)(payload)) return reply->Bytes();
  }
  return otherwise_.Bytes();
}

std::function<Frame(const Frame&)> AlwaysReply(Reply reply) {
  return [reply = std::move(reply)](const Frame&) { return reply.Bytes(); };
}

}  // namespace tamarack::test
