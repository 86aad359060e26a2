#pragma once

#include <QPointer>
#include <QWidget>

#include "feedback/user_feedback.h"

namespace tamarack {

// The message boxes and waits of the running program. Boxes belong to the window that is active
// when they are shown (or to `owner` when set), except SystemError's, which has no owner.
class QtFeedback : public UserFeedback {
 public:
  explicit QtFeedback(QWidget* owner = nullptr) : owner_(owner) {}

  void Success(std::string_view text) override;
  void Failure(std::string_view text) override;
  void PortError(std::string_view text) override;
  void SystemError(std::string_view text) override;
  bool AskYesNo(std::string_view text) override;
  bool AskRetryCancel(std::string_view text) override;
  // ShortWait: the plain sleep of UserFeedback, so that no core burns during the wait.
  void LongWait(std::uint32_t ms, std::string_view text) override;

 private:
  QWidget* Owner() const;

  QPointer<QWidget> owner_;
};

// The captions of the boxes.
inline constexpr const char* kSuccessCaption = "OK";
inline constexpr const char* kPortErrorCaption = "Error Information";
inline constexpr const char* kSystemErrorCaption = "Error";

}  // namespace tamarack
