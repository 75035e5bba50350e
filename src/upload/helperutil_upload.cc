// helperUtil's readers of the upload settings a request may carry.
#include "velt/helpers/helperUtil.h"
#include "velt/model/VeltComponent.h"
#include "velt/model/XMLObject.h"

namespace {

std::wstring FirstTextBelow(const XMLObject& request, const wchar_t* parentType,
                            const wchar_t* childType) {
  if (request.GetRoot() == nullptr) {
    return std::wstring();
  }
  const VeltComponent* element = request.FindChild(parentType, childType);
  return element != nullptr ? element->GetVal() : std::wstring();
}

}  // namespace

std::wstring helperUtil::getUploadURLFromRequest(XMLObject& request) {
  return FirstTextBelow(request, L"protocol", L"url");
}

std::wstring helperUtil::getUploadMaxSizeFromRequest(XMLObject& request) {
  return FirstTextBelow(request, L"bundle", L"upload_size");
}
