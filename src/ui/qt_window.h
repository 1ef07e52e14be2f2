#pragma once

#include <QWidget>
#include <optional>

#include "form/frm_kestavon.h"

class QPushButton;

namespace kestavon {

class PictureBox;

// The window on Qt: the form (form/layout.h) mapped onto widgets, at logical pixels of 15 twips,
// and frmKestavon's handlers run on them. A click runs its handler to the end before the next
// event is taken; the handlers catch nothing, so a run-time error leaves them for the application
// object to report (application.h).
class QtWindow : public QWidget {
  Q_OBJECT

 public:
  // Every run starts at `fixedStart`, when it holds a state, instead of three values of the
  // random sequence. Form_Load runs here, before the window is first shown.
  explicit QtWindow(const std::optional<OscState>& fixedStart = std::nullopt,
                    QWidget* parent = nullptr);

  frmKestavon& form() { return *m_form; }

 protected:
  bool event(QEvent* event) override;

 private:
  // Runs a button's handler through runHandler, then shows picGraph as it drew it (also when a
  // run-time error ended it early).
  void clicked(form::ControlId button);

  PictureBox* m_picGraph;
  std::optional<frmKestavon> m_form;
};

}  // namespace kestavon
