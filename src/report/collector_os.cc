// Choosing an entry's branch for the running operating system: the first
// "os" child of the entry's "velt" element whose "opsys" names this system.
#include "velt/helpers/OsNames.h"
#include "velt/model/XMLObject.h"
#include "velt/report/collector.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/ResultCodes.h"

// "linux", "win7", ...: exact names; any other (the empty one too) is false.
bool collector::isCorrectOS(const std::wstring& opsys) { return IsOsNamed(opsys); }

long collector::moveReaderToVELT(VeltComponent* pDC) {
  m_pReader = pDC != nullptr ? pDC->FindChild(L"velt") : nullptr;
  if (m_pReader == nullptr) {
    VELT_LOG_MESSAGE('E', "pDC->FindChild(VELT_CONST) is NULL");
    return VELTENGINE_ERROR_NULL_XML_CHILD;
  }
  return 0;
}

long collector::moveReaderToCorrectOS(VeltComponent* pDC) {
  if (pDC == nullptr) {
    VELT_LOG_MESSAGE('E', "pDC is NULL");
    return VELTENGINE_ERROR_BAD_PARAMETER;
  }
  long rc = moveReaderToVELT(pDC);
  if (rc != 0) return rc;
  for (VeltComponent* branch : m_pReader->GetChildren()) {
    if (branch->GetType() != L"os") continue;
    const Attribute* opsys = branch->FindAttrib(L"opsys");
    if (isCorrectOS(opsys != nullptr ? opsys->getValue() : std::wstring())) {
      m_pReader = branch;
      return 0;
    }
  }
  return VELTENGINE_ERROR_INTERNAL;
}
