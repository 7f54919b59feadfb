#include "main_form.h"

#include <QApplication>
#include <QMessageBox>
#include <QShowEvent>
#include <chrono>
#include <filesystem>

#include "bootloader_entry.h"
#include "command_line.h"
#include "file_name_part.h"
#include "firmware_file_search.h"
#include "packet_upload.h"
#include "port_scan.h"

namespace vobisk {

namespace {

// Texts of the window layout.
constexpr const char* kInitialCaption = "Обновление ПО";
constexpr const char* kFileLabel = "Файл";
constexpr const char* kPortLabel = "Порт";
constexpr const char* kDirectUploadText = "Ручной запуск загрузчика";
constexpr const char* kDirectUploadHint =
    "Установить, если Bootloader будет активирован вручную при включении питания, в случае "
    "повреждения основной программы";
constexpr const char* kBanner = "   Vobisk   ";
constexpr const char* kStartText = "Пуск";
constexpr const char* kExitText = "Выход";
constexpr const char* kFileFilter = "fmw (*.fmw);;dat (*.dat);;All files (*)";
// Texts set at run time.
constexpr const char* kCaptionPrefix = "Обновление ПО - ";

constexpr int kUploadDelayMs = 1000;
constexpr QPoint kWindowPosition{713, 315};
constexpr QSize kClientSize{317, 131};
const QColor kBannerText{255, 128, 0};
const QColor kBannerBackground{128, 0, 0};

// The window's font is "MS Sans Serif" 8 pt (11 px), the banner's "Tahoma" bold 18 pt (24 px);
// where they are missing, the nearest sans-serif of the same pixel height stands in.
QFont Font(const QStringList& families, int pixel_height, bool bold) {
  QFont font;
  font.setFamilies(families);
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixel_height);
  font.setBold(bold);
  return font;
}
const QStringList kWindowFontFamilies = {"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans",
                                         "Arial", "DejaVu Sans"};
const QStringList kBannerFontFamilies = {"Tahoma", "Liberation Sans", "Arial", "DejaVu Sans"};

QFrame* RaisedPanel(QWidget* parent, const QRect& geometry) {
  auto* panel = new QFrame(parent);
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel->setLineWidth(1);
  panel->setGeometry(geometry);
  return panel;
}

QLabel* AutoSizedLabel(QWidget* parent, const char* text, QPoint at) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->move(at);
  label->adjustSize();
  return label;
}

QPushButton* Button(QWidget* parent, const char* text, const QRect& geometry) {
  auto* button = new QPushButton(QString::fromUtf8(text), parent);
  button->setGeometry(geometry);
  // Neither button is a default button: Enter in the edit fields presses nothing.
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

std::uint32_t TickCount() {
  using namespace std::chrono;
  return static_cast<std::uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

TForm1::TForm1(std::vector<std::string> parameters, QWidget* parent)
    : QWidget(parent,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                  Qt::MSWindowsFixedSizeDialogHint),
      parameters_(std::move(parameters)) {
  pump_.tick_count = TickCount;
  pump_.process_pending_events = [] { QCoreApplication::processEvents(QEventLoop::AllEvents); };
  CreateComponents();
  FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::CreateComponents() {
  setWindowTitle(QString::fromUtf8(kInitialCaption));
  setFixedSize(kClientSize);
  move(kWindowPosition);
  setFont(Font(kWindowFontFamilies, 11, false));
  QPalette face = palette();
  face.setColor(QPalette::Window, face.color(QPalette::Button));
  setPalette(face);
  setAutoFillBackground(true);

  Panel1 = RaisedPanel(this, {0, 0, 185, 106});
  Panel2 = RaisedPanel(this, {185, 0, 132, 106});

  CB_ComPotr = new DropDownComboBox(Panel1);
  CB_ComPotr->setEditable(true);
  CB_ComPotr->setInsertPolicy(QComboBox::NoInsert);  // typed text is not added to the list
  CB_ComPotr->setGeometry(41, 49, 128, 21);
  Label1 = AutoSizedLabel(Panel1, kPortLabel, {9, 52});
  Label2 = AutoSizedLabel(Panel1, kFileLabel, {7, 20});

  Label4 = new QLabel(QString::fromUtf8(kBanner), Panel2);
  Label4->setFont(Font(kBannerFontFamilies, 24, true));
  QPalette banner = Label4->palette();
  banner.setColor(QPalette::WindowText, kBannerText);
  banner.setColor(QPalette::Window, kBannerBackground);
  Label4->setPalette(banner);
  Label4->setAutoFillBackground(true);
  Label4->move(8, 10);
  Label4->adjustSize();

  BT_Exit = Button(Panel2, kExitText, {24, 74, 81, 25});

  E_Firmeware_filename = new ClickableLineEdit(Panel1);
  E_Firmeware_filename->setGeometry(40, 17, 129, 21);

  Panel_Info = new QLabel(this);
  Panel_Info->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel_Info->setLineWidth(1);
  Panel_Info->setGeometry(0, 106, 317, 25);
  Panel_Info->setAlignment(Qt::AlignCenter);
  Panel_Info->setFont(Font(kWindowFontFamilies, 13, true));

  PB_UploadStatus = new QProgressBar(Panel_Info);
  PB_UploadStatus->setGeometry(8, 4, 303, 16);
  PB_UploadStatus->setRange(0, 100);
  PB_UploadStatus->setValue(0);
  PB_UploadStatus->setTextVisible(false);
  PB_UploadStatus->setFocusPolicy(Qt::NoFocus);
  PB_UploadStatus->hide();

  OD_Firmware_file = new QFileDialog(this);
  OD_Firmware_file->setFileMode(QFileDialog::AnyFile);  // a typed name need not exist
  OD_Firmware_file->setAcceptMode(QFileDialog::AcceptOpen);
  OD_Firmware_file->setNameFilter(QString::fromUtf8(kFileFilter));
  OD_Firmware_file->setOption(QFileDialog::HideNameFilterDetails);
  OD_Firmware_file->setOption(QFileDialog::DontUseNativeDialog);
  OD_Firmware_file->setSizeGripEnabled(true);

  BT_StartUpdate = Button(Panel2, kStartText, {24, 45, 81, 25});

  UploadDelayTimer = new TTimer(this);

  CB_DirectUpload = new LeftTextCheckBox(QString::fromUtf8(kDirectUploadText), Panel1);
  CB_DirectUpload->setGeometry(8, 80, 161, 17);
  CB_DirectUpload->setToolTip(QString::fromUtf8(kDirectUploadHint));

  for (QWidget* passive : {static_cast<QWidget*>(Panel1), static_cast<QWidget*>(Panel2),
                           static_cast<QWidget*>(Panel_Info), static_cast<QWidget*>(Label4)})
    passive->setFocusPolicy(Qt::NoFocus);
  // Exit comes before Start, although Start stands above it.
  QWidget::setTabOrder(CB_ComPotr, E_Firmeware_filename);
  QWidget::setTabOrder(E_Firmeware_filename, CB_DirectUpload);
  QWidget::setTabOrder(CB_DirectUpload, BT_Exit);
  QWidget::setTabOrder(BT_Exit, BT_StartUpdate);
  CB_ComPotr->setFocus();

  connect(CB_ComPotr, &DropDownComboBox::DropDown, this, &TForm1::CB_ComPotrDropDown);
  connect(E_Firmeware_filename, &ClickableLineEdit::Clicked, this, &TForm1::E_Firmeware_filenameClick);
  connect(BT_StartUpdate, &QPushButton::clicked, this, &TForm1::BT_StartUpdateClick);
  connect(BT_Exit, &QPushButton::clicked, this, &TForm1::BT_ExitClick);
  connect(UploadDelayTimer, &TTimer::OnTimer, this, &TForm1::UploadDelayTimerTimer);
}

void TForm1::FormCreate() {
  ComPort = std::make_unique<TComPort>();
  UploadDelayTimer->SetEnabled(false);
}

void TForm1::FormActivate() {
  ScanComPorts();
  FindFirmwareFile();
  if (ParamStr(parameters_, 1) == kRunSwitch) BT_StartUpdateClick();
}

void TForm1::CB_ComPotrDropDown() {
  if (CB_ComPotr->count() == 0) ScanComPorts();
}

void TForm1::E_Firmeware_filenameClick() {
  OD_Firmware_file->setDirectory(QCoreApplication::applicationDirPath());
  if (ExecOwnModal(*OD_Firmware_file) != QDialog::Accepted) return;
  const QStringList chosen = OD_Firmware_file->selectedFiles();
  if (chosen.isEmpty()) return;
  E_Firmeware_filename->setText(chosen.front());
  UpdateCaption();
}

void TForm1::BT_StartUpdateClick() {
  if (CB_ComPotr->count() == 0) ScanComPorts();
  SetStatusText("");
  if (CB_DirectUpload->isChecked()) {
    StartDirectUpload(*this, *ComPort);
    return;
  }
  if (EnterBootloader(*this, *ComPort, pump_, PortText())) {
    PB_UploadStatus->setVisible(true);
    UploadDelayTimer->SetInterval(kUploadDelayMs);
    UploadDelayTimer->SetEnabled(true);
  }
}

void TForm1::BT_ExitClick() { close(); }

void TForm1::UploadDelayTimerTimer() {
  UploadDelayTimer->SetEnabled(false);
  PB_UploadStatus->setValue(PB_UploadStatus->minimum());
  if (StartDirectUpload(*this, *ComPort) != 0) return;
  if (ParamStr(parameters_, 2) == kCloseSwitch) close();
}

void TForm1::ScanComPorts() {
  // Clearing the list keeps the box's text; with no port found, what the user typed stays.
  const QString text = CB_ComPotr->currentText();
  CB_ComPotr->clear();
  CB_ComPotr->setEditText(text);
  for (const std::string& name : ListOpenablePorts(*ComPort)) CB_ComPotr->addItem(QString::fromStdString(name));
  if (CB_ComPotr->count() > 0) CB_ComPotr->setCurrentIndex(0);
}

void TForm1::FindFirmwareFile() {
  std::error_code error;
  const std::filesystem::path here = std::filesystem::current_path(error);
  if (!error) {
    if (const auto name = FirstFirmwareEntry(here)) E_Firmeware_filename->setText(QString::fromStdString(*name));
  }
  UpdateCaption();
}

void TForm1::UpdateCaption() {
  const std::string name = FileNamePart(E_Firmeware_filename->text().toStdString());
  setWindowTitle(QString::fromUtf8(kCaptionPrefix) + QString::fromStdString(name));
}

void TForm1::ShowException(const QString& message) {
  QMessageBox box(QMessageBox::Critical, QString(), message, QMessageBox::Ok, this);
  ExecOwnModal(box);
}

void TForm1::SetProgressPosition(int position) {
  if (position == PB_UploadStatus->value()) return;
  PB_UploadStatus->setValue(position);
  // The transfer lets no events through; the bar is drawn at once so that it moves all the same.
  if (PB_UploadStatus->isVisible()) PB_UploadStatus->repaint();
}

void TForm1::SetProgressVisible(bool visible) { PB_UploadStatus->setVisible(visible); }

void TForm1::SetStatusText(const std::string& text) {
  Panel_Info->setText(QString::fromStdString(text));
  if (Panel_Info->isVisible()) Panel_Info->repaint();
}

void TForm1::ShowMessage(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, QString(), QString::fromStdString(text), QMessageBox::Ok, this);
  ExecOwnModal(box);
}

std::string TForm1::PortText() const { return CB_ComPotr->currentText().toStdString(); }

std::string TForm1::FirmwareFileText() const { return E_Firmeware_filename->text().toStdString(); }

int TForm1::ExecOwnModal(QDialog& dialog) {
  activations_.OwnModalOpened();
  const int result = dialog.exec();
  activations_.OwnModalClosed();
  return result;
}

void TForm1::QueueActivation() { QMetaObject::invokeMethod(this, &TForm1::FormActivate, Qt::QueuedConnection); }

bool TForm1::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) {
    if (activations_.Activated()) QueueActivation();
  } else if (event->type() == QEvent::WindowDeactivate) {
    activations_.Deactivated(QApplication::activeWindow() != nullptr);
  }
  return QWidget::event(event);
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous() && activations_.FirstShown()) QueueActivation();
}

}  // namespace vobisk
