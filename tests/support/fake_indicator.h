#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "link/frame.h"
#include "support/fake_link.h"

namespace tamarack::test {

// One reply of a fake indicator: a payload in a good frame, the same with a spoilt check
// character, or nothing at all.
struct Reply {
  // Implicit: a payload is the usual reply.
  Reply(std::string p) : payload(std::move(p)) {}
  Reply(std::string_view p) : payload(p) {}
  Reply(const char* p) : payload(p) {}

  static Reply Silence();
  static Reply BadCheck(std::string_view payload);

  // The bytes that go back on the line.
  Frame Bytes() const;

  std::string payload;
  bool silent = false;
  bool badCheck = false;
};

// A fake indicator behind a FakeLink, scripted by rules on the request's payload. The newest rule
// is asked first, so a test adds a rule to change the answer to some requests; a request no rule
// takes gets `otherwise`.
class ScriptedIndicator {
 public:
  using Rule = std::function<std::optional<Reply>(const std::string& payload)>;

  explicit ScriptedIndicator(Reply otherwise = "OK") : otherwise_(std::move(otherwise)) {}

  // Answers the requests that `link` receives from now on; this indicator must outlive them.
  void Serve(FakeLink& link);
  ScriptedIndicator& When(Rule rule);
  ScriptedIndicator& On(std::string payload, Reply reply);
  ScriptedIndicator& Always(Reply reply);
  // Parameter reads ("Pgg.nn=RE") echo the address with the value `value` gives for "gg.nn".
  ScriptedIndicator& ReadsParams(std::function<std::string(const std::string& address)> value);

  Frame Answer(const Frame& request);

 private:
  std::vector<Rule> rules_;
  Reply otherwise_;
};

// A responder for FakeLink that gives every request the same reply.
std::function<Frame(const Frame&)> AlwaysReply(Reply reply);

}  // namespace tamarack::test
