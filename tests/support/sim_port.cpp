#include "sim_port.h"

#include <gtest/gtest.h>

#include "device_path.h"

namespace vobisk::test {

SimPort::SimPort(sim::SimOptions options, const std::filesystem::path& com_dir, int com_number) {
  if (!com_dir.empty()) {
    port_text_ = "COM" + std::to_string(com_number);
    options.link_path = (com_dir / port_text_).string();
  }
  device_ = std::make_unique<sim::SimDevice>(std::move(options));
  if (!device_->Start()) ADD_FAILURE() << "simulated device: " << device_->Error();
  if (com_dir.empty()) port_text_ = device_->SlavePath();
}

std::string SimPort::device_path() const { return DevicePathFor(port_text_); }

sim::SimOptions Bootloader() {
  sim::SimOptions options;
  options.start_in_bootloader = true;
  return options;
}

}  // namespace vobisk::test
