#pragma once

#include <functional>
#include <string>
#include <vector>

#include "upload_window.h"

namespace vobisk::test {

// A window that writes down what the transfer does to it, in order ("position 25",
// "visible 0", "status ...", "message ...").
class RecordingWindow : public UploadWindow {
 public:
  std::string port_text;
  std::string file_text;
  std::vector<std::string> log;
  bool progress_visible = false;
  int progress_position = 0;
  std::string status;
  std::vector<std::string> messages;
  // Runs while a message box would be open.
  std::function<void()> while_message_open;

  void SetProgressPosition(int position) override {
    progress_position = position;
    log.push_back("position " + std::to_string(position));
  }
  void SetProgressVisible(bool visible) override {
    progress_visible = visible;
    log.push_back(std::string("visible ") + (visible ? "1" : "0"));
  }
  void SetStatusText(const std::string& text) override {
    status = text;
    log.push_back("status " + text);
  }
  void ShowMessage(const std::string& text) override {
    messages.push_back(text);
    log.push_back("message " + text);
    if (while_message_open) while_message_open();
  }
  std::string PortText() const override { return port_text; }
  std::string FirmwareFileText() const override { return file_text; }

  // The positions the progress bar was set to, in order.
  std::vector<int> Positions() const {
    std::vector<int> positions;
    for (const std::string& entry : log)
      if (entry.rfind("position ", 0) == 0) positions.push_back(std::stoi(entry.substr(9)));
    return positions;
  }
};

}  // namespace vobisk::test
