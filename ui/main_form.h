#pragma once

#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "activation_filter.h"
#include "com_port.h"
#include "controls.h"
#include "message_pump.h"
#include "timer.h"
#include "upload_window.h"

namespace vobisk {

// The program's one window: firmware file, port, manual-bootloader check box, Start and Exit,
// the progress bar over the status line. Layout and thin handlers; the work is done by the
// serial and transfer code.
class TForm1 : public QWidget, public UploadWindow {
  Q_OBJECT

 public:
  // parameters: the program's command-line parameters, 0 being the program itself.
  explicit TForm1(std::vector<std::string> parameters = {}, QWidget* parent = nullptr);
  ~TForm1() override;

  // Components, in the order the window declares them.
  QFrame* Panel1;
  QFrame* Panel2;
  DropDownComboBox* CB_ComPotr;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label4;
  QPushButton* BT_Exit;
  ClickableLineEdit* E_Firmeware_filename;
  QLabel* Panel_Info;  // its text is the status line
  QProgressBar* PB_UploadStatus;
  QFileDialog* OD_Firmware_file;
  QPushButton* BT_StartUpdate;
  TTimer* UploadDelayTimer;
  LeftTextCheckBox* CB_DirectUpload;

  // The single serial port object, created by FormCreate.
  std::unique_ptr<TComPort> ComPort;

  // Handlers.
  void FormCreate();
  void FormActivate();
  void CB_ComPotrDropDown();
  void E_Firmeware_filenameClick();
  void BT_StartUpdateClick();
  void BT_ExitClick();
  void UploadDelayTimerTimer();

  // The window's own operations.
  void ScanComPorts();
  void FindFirmwareFile();
  void UpdateCaption();

  // Shows an exception's message the way the program shows errors that escape a handler.
  void ShowException(const QString& message);

  // What the upload and the bootloader entry use.
  void SetProgressPosition(int position) override;
  void SetProgressVisible(bool visible) override;
  void SetStatusText(const std::string& text) override;
  void ShowMessage(const std::string& text) override;
  std::string PortText() const override;
  std::string FirmwareFileText() const override;

  // The pause's view of the window system: tick counter and event processing.
  const MessagePump& Pump() const { return pump_; }

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void CreateComponents();
  // Runs a modal window of ours, so that its closing is not taken for an activation.
  int ExecOwnModal(QDialog& dialog);
  void QueueActivation();

  std::vector<std::string> parameters_;
  ActivationFilter activations_;
  MessagePump pump_;
};

}  // namespace vobisk
