#include "Core/ValueObjects/UpdatePlan.h"

#include "Core/Text/TextUtils.h"

namespace Core::ValueObjects {

bool TUpdatePlan::IsZip() const {
  return LocalPackage.empty() ? !Core::Text::EndsWithTextAscii(PackageUrl, ".exe") : LocalPackageIsZip;
}

}  // namespace Core::ValueObjects
