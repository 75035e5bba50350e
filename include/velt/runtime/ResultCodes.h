// Result codes. 0 is success; product codes are 0xFE000000 + module * 0x10000
// + index, where index 0 of every module is its _SUCCESS name and the last
// index its _UNKNOWN name. Other non-zero values are system error numbers.
#pragma once

#include <cstdint>

#include "velt/VeltExport.h"

using VeltResult = long;

constexpr long VeltCode(unsigned module, unsigned index) {
  return static_cast<long>(0xFE000000UL + (static_cast<unsigned long>(module) << 16) + index);
}

// Module numbers of the tables the engine knows.
constexpr unsigned VELT_MODULE_GLOBAL = 0x00;
constexpr unsigned VELT_MODULE_PROCESS_API = 0x2B;
constexpr unsigned VELT_MODULE_VELTENGINE = 0xB0;
constexpr unsigned VELT_MODULE_VELTOFFLINE = 0xB1;
constexpr unsigned VELT_MODULE_VELTUPLOADER = 259;
constexpr unsigned VELT_MODULE_COUNT = 262;

// Module 0x00: general codes of the shared library.
constexpr long GLOBAL_SUCCESS = VeltCode(0x00, 0x00);
constexpr long GLOBAL_ERROR_NOT_IMPLEMENTED = VeltCode(0x00, 0x01);
constexpr long GLOBAL_ERROR_BAD_PARAMETER = VeltCode(0x00, 0x02);
constexpr long GLOBAL_ERROR_BAD_HANDLE = VeltCode(0x00, 0x03);
constexpr long GLOBAL_ERROR_MEMALLOC_FAILED = VeltCode(0x00, 0x04);
constexpr long GLOBAL_ERROR_NULL_POINTER = VeltCode(0x00, 0x05);
constexpr long GLOBAL_ERROR_INSUFFICIENT_BUFFER = VeltCode(0x00, 0x06);
constexpr long GLOBAL_ERROR_NOT_INITIALIZED = VeltCode(0x00, 0x07);
constexpr long GLOBAL_ERROR_ALREADY_INITIALIZED = VeltCode(0x00, 0x08);
constexpr long GLOBAL_ERROR_UNEXPECTED = VeltCode(0x00, 0x09);
constexpr long GLOBAL_ERROR_NO_INSTANCE = VeltCode(0x00, 0x0A);
constexpr long GLOBAL_ERROR_UNKNOWN = VeltCode(0x00, 0x0C);

// Module 0xB0: the engine.
constexpr long VELTENGINE_SUCCESS = VeltCode(0xB0, 0x00);
constexpr long VELTENGINE_ERROR_NOT_IMPLEMENTED = VeltCode(0xB0, 0x01);
constexpr long VELTENGINE_ERROR_BAD_PARAMETER = VeltCode(0xB0, 0x02);
constexpr long VELTENGINE_ERROR_BAD_HANDLE = VeltCode(0xB0, 0x03);
constexpr long VELTENGINE_ERROR_MEMALLOC_FAILED = VeltCode(0xB0, 0x04);
constexpr long VELTENGINE_ERROR_NULL_POINTER = VeltCode(0xB0, 0x05);
constexpr long VELTENGINE_ERROR_INSUFFICIENT_BUFFER = VeltCode(0xB0, 0x06);
constexpr long VELTENGINE_ERROR_NOT_INITIALIZED = VeltCode(0xB0, 0x07);
constexpr long VELTENGINE_ERROR_ALREADY_INITIALIZED = VeltCode(0xB0, 0x08);
constexpr long VELTENGINE_ERROR_UNEXPECTED = VeltCode(0xB0, 0x09);
constexpr long VELTENGINE_ERROR_INTERNAL = VeltCode(0xB0, 0x0A);
constexpr long VELTENGINE_ERROR_WRITE_FAILURE = VeltCode(0xB0, 0x0B);
constexpr long VELTENGINE_ERROR_FILE_NOT_FOUND = VeltCode(0xB0, 0x0C);
constexpr long VELTENGINE_ERROR_FILE_OPEN_FAILURE = VeltCode(0xB0, 0x0D);
constexpr long VELTENGINE_ERROR_ACCESS_DENIED = VeltCode(0xB0, 0x0E);
constexpr long VELTENGINE_ERROR_NULL_XML_ROOT = VeltCode(0xB0, 0x0F);
constexpr long VELTENGINE_ERROR_NULL_XML_CHILD = VeltCode(0xB0, 0x10);
constexpr long VELTENGINE_ERROR_INVALID_XML = VeltCode(0xB0, 0x11);
constexpr long VELTENGINE_ERROR_UNKNOWN_XML_TAG = VeltCode(0xB0, 0x12);
constexpr long VELTENGINE_ERROR_ACTION_CANCELED_BY_USER = VeltCode(0xB0, 0x13);
constexpr long VELTENGINE_ERROR_EXTERN_ACTION_TIMEOUT = VeltCode(0xB0, 0x14);
constexpr long VELTENGINE_ERROR_UNKNOWN = VeltCode(0xB0, 0x15);

// Module 0xB1: the front end. The engine posts only the "processing" notice.
constexpr long VELTOFFLINE_SUCCESS = VeltCode(0xB1, 0x00);
constexpr long VELTOFFLINE_ERROR_NOT_IMPLEMENTED = VeltCode(0xB1, 0x01);
constexpr long VELTOFFLINE_ERROR_BAD_PARAMETER = VeltCode(0xB1, 0x02);
constexpr long VELTOFFLINE_ERROR_BAD_HANDLE = VeltCode(0xB1, 0x03);
constexpr long VELTOFFLINE_ERROR_MEMALLOC_FAILED = VeltCode(0xB1, 0x04);
constexpr long VELTOFFLINE_ERROR_NULL_POINTER = VeltCode(0xB1, 0x05);
constexpr long VELTOFFLINE_ERROR_INSUFFICIENT_BUFFER = VeltCode(0xB1, 0x06);
constexpr long VELTOFFLINE_ERROR_NOT_INITIALIZED = VeltCode(0xB1, 0x07);
constexpr long VELTOFFLINE_ERROR_ALREADY_INITIALIZED = VeltCode(0xB1, 0x08);
constexpr long VELTOFFLINE_ERROR_UNEXPECTED = VeltCode(0xB1, 0x09);
constexpr long VELTOFFLINE_ERROR_INTERNAL = VeltCode(0xB1, 0x0A);
constexpr long VELTOFFLINE_ERROR_PROCESSING = VeltCode(0xB1, 0x0B);
constexpr long VELTOFFLINE_ERROR_XML_CONFIG_PARSE_SUCCESS = VeltCode(0xB1, 0x0C);
constexpr long VELTOFFLINE_ERROR_XML_REQUEST_GENERATE_SUCCESS = VeltCode(0xB1, 0x0D);
constexpr long VELTOFFLINE_ERROR_UNKNOWN = VeltCode(0xB1, 0x0E);

// Module 259: the uploader.
constexpr long VELTUPLOADER_SUCCESS = VeltCode(259, 0x00);
constexpr long VELTUPLOADER_ERROR_NOT_IMPLEMENTED = VeltCode(259, 0x01);
constexpr long VELTUPLOADER_ERROR_BAD_PARAMETER = VeltCode(259, 0x02);
constexpr long VELTUPLOADER_ERROR_BAD_HANDLE = VeltCode(259, 0x03);
constexpr long VELTUPLOADER_ERROR_MEMALLOC_FAILED = VeltCode(259, 0x04);
constexpr long VELTUPLOADER_ERROR_NULL_POINTER = VeltCode(259, 0x05);
constexpr long VELTUPLOADER_ERROR_INSUFFICIENT_BUFFER = VeltCode(259, 0x06);
constexpr long VELTUPLOADER_ERROR_NOT_INITIALIZED = VeltCode(259, 0x07);
constexpr long VELTUPLOADER_ERROR_ALREADY_INITIALIZED = VeltCode(259, 0x08);
constexpr long VELTUPLOADER_ERROR_UNEXPECTED = VeltCode(259, 0x09);
constexpr long VELTUPLOADER_ERROR_CURL_ERROR = VeltCode(259, 0x0A);
constexpr long VELTUPLOADER_ERROR_FILE_OPEN_FAILURE = VeltCode(259, 0x0B);
constexpr long VELTUPLOADER_ERROR_UNKNOWN = VeltCode(259, 0x0C);

// Module 0x2B: process launching.
constexpr long PROCESS_API_SUCCESS = VeltCode(0x2B, 0x00);
constexpr long PROCESS_API_ERROR_NOT_IMPLEMENTED = VeltCode(0x2B, 0x01);
constexpr long PROCESS_API_ERROR_BAD_PARAMETER = VeltCode(0x2B, 0x02);
constexpr long PROCESS_API_ERROR_BAD_HANDLE = VeltCode(0x2B, 0x03);
constexpr long PROCESS_API_ERROR_MEMALLOC_FAILED = VeltCode(0x2B, 0x04);
constexpr long PROCESS_API_ERROR_NULL_POINTER = VeltCode(0x2B, 0x05);
constexpr long PROCESS_API_ERROR_INSUFFICIENT_BUFFER = VeltCode(0x2B, 0x06);
constexpr long PROCESS_API_ERROR_NOT_INITIALIZED = VeltCode(0x2B, 0x07);
constexpr long PROCESS_API_ERROR_ALREADY_INITIALIZED = VeltCode(0x2B, 0x08);
constexpr long PROCESS_API_ERROR_UNEXPECTED = VeltCode(0x2B, 0x09);
constexpr long PROCESS_API_ERROR_NOTRUNNING = VeltCode(0x2B, 0x0A);
constexpr long PROCESS_API_ERROR_FILENOTFOUND = VeltCode(0x2B, 0x0B);
constexpr long PROCESS_API_ERROR_PATHNOTFOUND = VeltCode(0x2B, 0x0C);
constexpr long PROCESS_API_ERROR_INVALIDPROCESSID = VeltCode(0x2B, 0x0D);
constexpr long PROCESS_API_ERROR_PROCESS_ABORTED = VeltCode(0x2B, 0x0E);
constexpr long PROCESS_API_ERROR_NOPROCSLOTS = VeltCode(0x2B, 0x0F);
constexpr long PROCESS_API_ERROR_WAIT_INTERRUPTED = VeltCode(0x2B, 0x2C);
constexpr long PROCESS_API_ERROR_WAIT_TIMEOUT = VeltCode(0x2B, 0x2D);
constexpr long PROCESS_API_ERROR_INSUFFICIENT_PRIVILEGE = VeltCode(0x2B, 0x37);
constexpr long PROCESS_API_ERROR_UNKNOWN = VeltCode(0x2B, 0x3A);

// The engine code for a system error number: a missing file or folder,
// access refused, memory exhausted; `otherwise` for every other number.
VELT_API long VeltCodeFromErrno(int error, long otherwise);
