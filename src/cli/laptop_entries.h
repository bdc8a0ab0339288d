// The laptop commands as data, one member each, so the dispatcher can be driven
// with stand-ins. Each member's type is its command's own declaration, and a
// default-made table holds the real commands.
#pragma once

#include <functional>

#include "connect/connect_laptop.h"
#include "filesync/code_sync.h"
#include "maintenance/disconnect.h"
#include "maintenance/status.h"
#include "maintenance/uninstall.h"
#include "share/screenshots.h"
#include "share/send.h"
#include "share/share_setup.h"
#include "state/laptop_config.h"

// Qualified names: inside the struct a plain name would be the member itself.
struct LaptopEntries {
  std::function<decltype(::connect_laptop)> connect_laptop = ::connect_laptop;
  std::function<decltype(::load_config)> load_config = ::load_config;
  std::function<decltype(::sync_code)> sync_code = ::sync_code;
  std::function<decltype(::setup_share)> setup_share = ::setup_share;
  std::function<decltype(::laptop_status)> laptop_status = ::laptop_status;
  std::function<decltype(::disconnect_laptop)> disconnect_laptop = ::disconnect_laptop;
  std::function<decltype(::uninstall_laptop)> uninstall_laptop = ::uninstall_laptop;
  std::function<decltype(::set_sharing)> set_sharing = ::set_sharing;
  std::function<decltype(::send_files)> send_files = ::send_files;
  std::function<decltype(::send_clipboard)> send_clipboard = ::send_clipboard;
  std::function<decltype(::set_keep_days)> set_keep_days = ::set_keep_days;
  std::function<decltype(::set_screenshot_folder)> set_screenshot_folder = ::set_screenshot_folder;
};
