#pragma once

#include "platform/platform.h"

namespace platform {

class LinuxAdapterList : public AdapterList {
 public:
  std::vector<Adapter> Adapters() override;
};

}  // namespace platform
