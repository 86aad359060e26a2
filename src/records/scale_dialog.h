#pragma once

#include <string>
#include <vector>

#include "feedback/user_feedback.h"
#include "records/record_session.h"
#include "ui/modal_dialog.h"

class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace tamarack {

class ToolTipRelay;

// "Which Scale?": asked once per opening of a window that makes records. The technician picks a
// known scale (searched by site and tag; the one the indicator's fingerprint proposes is chosen
// already, but only "This Scale" takes it), adds a new one (site and tag required), or answers
// "Not Now". The technician's name for this run is asked here too.
class CScaleDlg : public CModalDlg {
  Q_OBJECT

 public:
  CScaleDlg(records::RecordKeeper& keeper, const records::ScaleQuestion& question, UserFeedback& ui,
            QWidget* parent = nullptr);

  // The scale chosen or added; empty after "Not Now".
  const std::string& Chosen() const { return chosen_; }

  // Lists the known scales whose site and tag hold the search texts.
  void Search();
  // "This Scale": the selected scale.
  void OnThisScale();
  // "Add Scale": a new scale of the fields; an empty site or tag is refused with a message.
  void OnAddScale();
  void OnNotNow();

  QLineEdit* TechnicianField() const { return technician_; }
  QLineEdit* SearchSiteField() const { return searchSite_; }
  QLineEdit* SearchTagField() const { return searchTag_; }
  QListWidget* ScaleList() const { return list_; }
  QLineEdit* SiteField() const { return site_; }
  QLineEdit* TagField() const { return tag_; }
  QLineEdit* DescriptionField() const { return description_; }
  QLineEdit* SerialField() const { return serial_; }
  QSpinBox* IntervalBox() const { return interval_; }
  QPushButton* ThisScaleButton() const { return thisScale_; }
  QPushButton* AddScaleButton() const { return addScale_; }
  QPushButton* NotNowButton() const { return notNow_; }
  // Says which scale the fingerprint proposes; hidden when it proposes none.
  QLabel* ProposalLabel() const { return proposal_; }

 private:
  void TakeTechnician();

  records::RecordKeeper& keeper_;
  UserFeedback& ui_;
  std::string proposedId_;
  std::vector<records::Scale> listed_;
  std::string chosen_;
  QLabel* proposal_;
  QLineEdit* technician_;
  QLineEdit* searchSite_;
  QLineEdit* searchTag_;
  QListWidget* list_;
  QLineEdit* site_;
  QLineEdit* tag_;
  QLineEdit* description_;
  QLineEdit* serial_;
  QSpinBox* interval_;
  QPushButton* thisScale_;
  QPushButton* addScale_;
  QPushButton* notNow_;
  ToolTipRelay* relay_;
};

// The search by site and tag over a list of scales named `listName`: the two fields in row 0 of
// `grid`, the list under them across its four columns (made in that order, the focus's order).
struct ScaleSearch {
  QLineEdit* site;
  QLineEdit* tag;
  QListWidget* list;
};
ScaleSearch AddScaleSearch(QGridLayout& grid, QWidget* box, const QString& listName);

// Runs the question over `parent` through `runWindow`; the answer as a ScaleAsker gives it.
records::ScaleAsker ScaleAskerFor(records::RecordKeeper& keeper, UserFeedback& ui,
                                  std::function<int(QDialog&)> runWindow, QWidget* parent);

}  // namespace tamarack
