#include "velt/actions/VeltAction.h"

#include "velt/actions/CProcessApi.h"
#include "velt/control/VeltThread.h"
#include "velt/helpers/helperUtil.h"
#include "velt/model/VeltComponent.h"
#include "velt/model/XMLObject.h"
#include "velt/platform/PathSeparator.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/ResultCodes.h"

namespace {

const wchar_t* const kFileCopyKind = L"file_copy_action";
const wchar_t* const kExternKind = L"use_extern_action";

bool HasAttributeValue(VeltComponent* c, const wchar_t* name, const wchar_t* value) {
  Attribute* attribute = c->FindAttrib(name);
  return attribute != nullptr && attribute->getValue() == value;
}

}  // namespace

VeltAction::VeltAction(const ACTION_ATTRIBUTES& attributes, VeltComponent* actionComponent)
    : m_pProcessApi(nullptr),
      m_processId(0),
      m_pActionComponent(actionComponent),
      m_attributes(attributes) {}

VeltAction::~VeltAction() {
  // Also reached while a stopped worker unwinds: nothing may escape.
  try {
    if (m_pProcessApi != nullptr) {
      if (m_processId != 0) {
        m_pProcessApi->Terminate(m_processId);
      }
      delete m_pProcessApi;
      m_pProcessApi = nullptr;
    }
  } catch (...) {
  }
}

void VeltAction::Perform(std::list<truncAttributes>& files) {
  if (m_pActionComponent == nullptr) {
    return;
  }
  for (VeltComponent* kindElement : m_pActionComponent->GetChildren()) {
    if (kindElement->GetChildren().empty()) {
      continue;
    }
    const std::wstring kind = kindElement->GetType();
    std::list<std::wstring> filesToDelete;
    for (VeltComponent* instanceElement : kindElement->GetChildren()) {
      std::list<truncAttributes> collected;
      XMLObject instance(instanceElement);
      long rc = 0;
      const char* invoked = nullptr;
      if (kind == kFileCopyKind) {
        invoked = "VeltAction::performFileAction";
        rc = performFileAction(instance, collected);
      } else if (kind == kExternKind) {
        invoked = "VeltAction::performExternalAction";
        rc = performExternalAction(instance, collected, filesToDelete);
      } else {
        continue;
      }
      if (rc == 0) {
        files.insert(files.end(), collected.begin(), collected.end());
      } else if (rc != VELTENGINE_ERROR_FILE_NOT_FOUND) {
        VELT_LOG_CODE('E', invoked, rc);
      }
    }
    for (const std::wstring& path : filesToDelete) {
      helperUtil::fileDelete(path);
    }
  }
}

long VeltAction::parseFileActionAttributes(XMLObject& instance, FILE_ACTION_ATTRIBUTES& out) {
  VeltComponent* root = instance.GetRoot();
  if (root == nullptr) {
    VELT_LOG_MESSAGE('E', "rXMLActionSubtree.GetRoot() is NULL");
    return VELTENGINE_ERROR_BAD_PARAMETER;
  }
  VeltComponent* truncateType = instance.FindChild(root, L"truncate_type");
  out.truncateTypeText = truncateType != nullptr ? truncateType->GetVal() : L"";
  for (VeltComponent* child : root->GetChildren()) {
    const std::wstring tag = child->GetType();
    if (tag == L"loc") {
      if (HasAttributeValue(child, L"gather_newest", L"true")) {
        out.gatherNewest = true;
      }
      out.loc = child->GetVal();
      out.locPath = helperUtil::translatePath(out.loc);
    } else if (tag == L"clear_log") {
      if (HasAttributeValue(child, L"apply", L"true")) {
        out.clearLog = true;
      }
    }
  }
  return 0;
}

long VeltAction::parseExternalActionAttributes(XMLObject& instance,
                                               EXTERNAL_ACTION_ATTRIBUTES& out) {
  VeltComponent* root = instance.GetRoot();
  if (root == nullptr) {
    VELT_LOG_MESSAGE('E', "rXMLActionSubtree.GetRoot() is NULL");
    return VELTENGINE_ERROR_BAD_PARAMETER;
  }
  const std::wstring separator = velt::kPathSeparatorString;
  for (VeltComponent* child : root->GetChildren()) {
    out.tagName = child->GetType();
    const bool nested = !child->GetChildren().empty();
    if (out.tagName == L"path" || out.tagName == L"plugin" || out.tagName == L"regis") {
      if (nested) {
        VELT_LOG_MESSAGE('E',
                         "Internal Error: unexpected further nested tags inside the "
                         "<path></path> tag pairs in <action></action>.");
        return VELTENGINE_ERROR_INVALID_XML;
      }
      out.path = getPath(child);
    } else if (out.tagName == L"args") {
      if (nested) {
        VELT_LOG_MESSAGE('E',
                         "Internal Error: unexpected further nested tags inside the "
                         "<args></args> tag pairs in <action></action>.");
        return VELTENGINE_ERROR_INVALID_XML;
      }
      out.args = child->GetVal();
      out.exeName = helperUtil::getFirstPart(out.args, L" ");
      if (!out.exeName.empty()) {
        out.exeName = helperUtil::getLastPart(out.exeName, separator);
      } else {
        out.exeName = out.args;
      }
      if (out.exeName == L"MSInfo32.exe" && VeltThread::GetVeltCLIOptions().skipMSInfo32) {
        VELT_LOG_MESSAGE('I', "Skipping MSInfo32.exe");
        return VELTENGINE_ERROR_INTERNAL;
      }
      out.exeBaseName = helperUtil::getAllExLastPart(out.exeName, L".", false);
    } else if (out.tagName == L"clear_log") {
      if (HasAttributeValue(child, L"apply", L"true")) {
        out.clearLog = true;
        out.clearLogCommand = child->GetVal();
      }
    } else if (out.tagName == L"temp_out") {
      if (nested) {
        VELT_LOG_MESSAGE('E',
                         "Internal Error: unexpected further nested tags inside the "
                         "<tempOut></tempOut> tag pairs in <action></action>");
        return VELTENGINE_ERROR_INVALID_XML;
      }
      out.tempOut = child->GetVal();
    } else if (out.tagName == L"stdout") {
      out.captureStdout = true;
    } else {
      VELT_LOG_MESSAGE('E', "Internal Error: Unrecognized XML tag.");
      return VELTENGINE_ERROR_UNKNOWN_XML_TAG;
    }
  }

  // A program named with a folder in front: that folder completes `path`.
  std::wstring firstWord = helperUtil::getFirstPart(out.args, L" ");
  std::wstring argDir = helperUtil::getAllExLastPart(firstWord, separator, false);
  if (argDir != out.exeName) {
    if (out.path.empty()) {
      out.path = argDir;
    } else {
      while (!out.path.empty() && out.path.back() == velt::kPathSeparator) {
        out.path.pop_back();
      }
      out.path += separator;
      while (!argDir.empty() && argDir.front() == velt::kPathSeparator) {
        argDir.erase(0, 1);
      }
      out.path += argDir;
    }
  }
  return 0;
}

std::wstring VeltAction::getPath(VeltComponent* pDC) {
  if (pDC == nullptr) {
    VELT_LOG_MESSAGE('E', "pDC is NULL");
    return L"";
  }
  const std::wstring tag = pDC->GetType();
  if (tag == L"path") {
    return pDC->GetVal();
  }
  if (tag == L"plugin") {
    std::wstring base = helperUtil::FindInstallPath() + L"plugin";
    std::wstring sub = pDC->GetVal();
    return sub.empty() ? base : base + velt::kPathSeparatorString + sub;
  }
  if (tag == L"regis") {
    return helperUtil::getPathFromRegistry(helperUtil::removeLeadingWhiteSpace(pDC->GetVal()));
  }
  VELT_LOG_MESSAGE('E', "pDC is of unknown type \"%s\"", velt::Narrow(tag).c_str());
  return L"";
}

std::wstring VeltAction::programOf(const std::wstring& args) {
  std::wstring program = helperUtil::getFirstPart(args, L" ");
  return program.empty() ? args : program;
}
