// Message_Box: the monitor's own modal question dialog.
//
// What a caller may rely on:
// - The_Message_Box() is the one Message_Box; the device data module's port
//   (Message_Box in devicedata.h) points at it once Install_Message_Box has
//   run. Referring to it loads the form: its Form_Load then lays out the
//   buttons by Message_Code and Super_User as they stand, so the code is set
//   first and the texts after, as every caller does. Each answer, and a close
//   by the window frame or Escape, unloads it; the next reference starts
//   from the design state again. Unloading hides the form and keeps it: it
//   is one window object for the program's life, never destroyed while the
//   program runs, because Qt may still hold a closed dialog as its active
//   window or deliver a late activation to it (a window activated from the
//   closed dialog may load the form again at that moment).
// - Show_Modal shows it through the dialog service. While it is up, a second
//   show is dropped, and property changes made meanwhile go to no dialog: the
//   question that is up keeps its texts and buttons. The buttons answer by
//   the code the form was loaded with, so a code written by the dropped caller
//   does not change what the answer means.
// - Answers in Message_Code (Command2 the code & "-1", Command3 "",
//   Command4 "14-1" or "16-1"); a close by the frame writes nothing. When
//   Show_Modal returns, Message_Code holds the answer to the question shown,
//   or after a close by the frame or Escape what it held when the question
//   came up, whatever a dropped caller wrote while the question was up. Command2
//   on "10" enables the main window's Timer1 when Polling_Enabled is "Yes".
//   Command2 on "16" unloads the dialog and the main window and ends the
//   program (vbui::End). Command4 hides the main window and shows the options
//   window modelessly.
// - Command1 has no action and is never shown; before the show, buttons that
//   overlap are moved right along the row, in the order of their left edges,
//   so no two visible buttons overlap.
// - Show_Message(code) fills the dialog for the questions "10" to "16" but
//   "15" (the error report fills its own) from the message table, with the
//   English literal unless Localised is "On", then shows it. The caller acts
//   on Message_Code afterwards.
// - Sizes and positions are in twips (divided by 15). The font character set
//   given to the controls (CodePage_To_CharSet of Code_Page_Text) is kept in
//   each widget's "charSet" property.
#pragma once

#include <QDialog>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "monitor/devicedata/devicedata.h"

class QLineEdit;
class QPushButton;

namespace vlm::monitor {

class Message_Box_Form : public QDialog {
  Q_OBJECT
 public:
  Message_Box_Form();
  // Loads the form: every control back to its design state, then Form_Load,
  // as a new instance of the form starts.
  void Load();
  // The code the form was loaded with.
  const std::string& Loaded_Code() const { return code_; }
  QLineEdit* Text(int n) const { return texts_.at(n - 1); }
  QPushButton* Command(int n) const { return commands_.at(n - 1); }

  void Command2_Click();
  void Command3_Click();
  void Command4_Click();
  bool Unloaded() const { return unloaded_; }
  // True when the answer came from Command4 (Configure).
  bool Configure_Chosen() const { return configure_; }
  // The answer written to Message_Code since the load; none after a close by
  // the frame or Escape.
  const std::optional<std::string>& Answered() const { return answer_; }
  // Unload Message_Box: closes it without an answer.
  void Unload();

  // Twips, as the callers give them.
  void Set_Size(int heightTwips, int widthTwips);
  void Set_Left(QWidget* control, int twips);
  void Set_Width(QWidget* control, int twips);
  void Set_Top(QWidget* control, int twips);
  // Moves overlapping visible buttons right along their row.
  void Spread_Buttons();

 protected:
  void reject() override;

 private:
  void Form_Load();
  void Answer(std::string code);
  std::string code_;
  std::optional<std::string> answer_;
  std::array<QLineEdit*, 6> texts_{};
  std::array<QPushButton*, 4> commands_{};
  bool unloaded_ = false;
  bool configure_ = false;
};

class Message_Box_Access : public Message_Box_Port {
 public:
  // Loads the form when it is not loaded (the same form object each time).
  Message_Box_Form& Form();
  bool Loaded() const { return form_ && !form_->Unloaded(); }
  bool Showing() const { return showing_; }

  void Set_Caption(std::string_view control, const std::string& caption) override;
  void Set_Text(std::string_view control, const std::string& text) override;
  void Set_Visible(std::string_view control, bool visible) override;
  void Set_Left(std::string_view control, VbLong twips) override;
  void Show_Modal() override;
  void Set_Size(int heightTwips, int widthTwips);
  void Set_Width(std::string_view control, VbLong twips);
  // Whether the last question shown was answered with Configure (Command4),
  // which answers "14-1" on code "14" as Cancel does.
  bool Configure_Chosen() const { return configure_; }

 private:
  QWidget* Control(std::string_view name);
  std::unique_ptr<Message_Box_Form> form_;
  std::unique_ptr<Message_Box_Form> discard_;
  bool showing_ = false;
  bool configure_ = false;
};

Message_Box_Access& The_Message_Box();
// Points the device data module's port at The_Message_Box().
void Install_Message_Box();

void Show_Message(const std::string& code);

}  // namespace vlm::monitor
