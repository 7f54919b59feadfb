#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "sim_device.h"

namespace vobisk::test {

// A simulated device, started, and reachable by its port text: linked as COMn into a folder when
// one is given (the folder VOBISK_COM_DIR names), else by the slave's own path.
class SimPort {
 public:
  explicit SimPort(sim::SimOptions options = {}, const std::filesystem::path& com_dir = {}, int com_number = 1);

  sim::SimDevice& device() { return *device_; }
  const sim::SimDevice* operator->() const { return device_.get(); }
  // What a user would type into the port box.
  const std::string& port_text() const { return port_text_; }
  std::string device_path() const;

 private:
  std::unique_ptr<sim::SimDevice> device_;
  std::string port_text_;
};

// Options for a device that is already in its bootloader.
sim::SimOptions Bootloader();

}  // namespace vobisk::test
