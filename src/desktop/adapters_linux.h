#pragma once

#include "desktop/services.h"

namespace desktop {

class LinuxAdapterList : public AdapterList {
 public:
  std::vector<Adapter> Adapters() override;
};

}  // namespace desktop
