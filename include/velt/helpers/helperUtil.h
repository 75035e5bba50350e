// helperUtil: the engine's shared static operations on paths, files, text,
// numbers, system information and summary trees. The members are defined
// in several source files, one per group, named after the group.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "velt/VeltExport.h"
#include "velt/helpers/FileInfo.h"
#include "velt/helpers/RegistryKey.h"
#include "velt/helpers/TimeRepresentation.h"
#include "velt/helpers/TruncType.h"

class VeltComponent;
class XMLObject;

class VELT_API helperUtil {
 public:
  // ---- text, numbers and system information (helperutil_text.cc) ----
  // 1 when the narrow `text` matches `pattern` ("*" any run, "?" one
  // character, everything else itself, case-sensitive); 0 otherwise or when
  // either is null.
  static int wildcmp(const char* pattern, const char* text);
  // Cutting at a separator (any length). Without the separator in the text,
  // all four give the whole text.
  static std::wstring getFirstPart(const std::wstring& text, const std::wstring& separator);
  static std::wstring getLastPart(const std::wstring& text, const std::wstring& separator);
  static std::wstring getAllExFirstPart(const std::wstring& text, const std::wstring& separator,
                                        bool keepSeparator);
  static std::wstring getAllExLastPart(const std::wstring& text, const std::wstring& separator,
                                       bool keepSeparator);
  // The name a collected file gets in the bundle, e.g. ("Setup.txt",
  // "agent.log") -> "Setup__agent__log.txt".
  static std::wstring composeName(const std::wstring& givenName, const std::wstring& sourceName);
  static std::wstring removeLeadingWhiteSpace(const std::wstring& text);
  // True for a name that can only mean one file directly in its folder:
  // not empty, not "." or "..", no separator ("/" or "\\") and no control
  // character. Names that come from configurations and requests are checked
  // with it before anything is created under them.
  static bool isPlainFileName(const std::wstring& name);
  // "100 bytes", "1.50K", "1.00M", ...
  static std::wstring SizeToStr(double size, unsigned precision);
  static std::wstring NumToStr(float value, unsigned precision);
  static double StrToDouble(const std::wstring& text);
  static float power(float base, unsigned exponent);
  static std::wstring mapTruncTypeToName(TruncType type);
  static std::wstring getCurrentTime(TIME_REPRESENTATION representation);
  static std::wstring getOSVersion();
  static std::wstring getOSUserName();
  static bool checkForAdminPrivilege();
  // 0..99999, seeded with the current second.
  static int generateRandomNumber();

  // ---- path translation and the registry (helperutil_path.cc) ----
  // Expands "%NAME%" pairs (each variable followed by exactly one
  // separator) and rebases legacy data folders. "\\" and "/" are both
  // separators in the text. An unset variable is logged and the partly
  // translated path returned.
  static std::wstring translatePath(const std::wstring& path);
  // The first step of translatePath alone: "%NAME%" pairs expanded (each
  // value ends with the platform's separator and takes the place of one
  // separator written after the pair); nothing else in `text` changes, so
  // command arguments keep their backslashes.
  static std::wstring expandVariablePairs(const std::wstring& text);
  // One environment variable ("NAME" or "%NAME%"); empty when unset.
  static std::wstring getEnvVarValue(const std::wstring& name);
  // "./a" and "a" become "<cwd>/a"; other paths are returned with their
  // separators made the platform's.
  static std::wstring fillInCWD(const std::wstring& path);
  static std::wstring getCurrentWorkingDirectory();
  // "HIVE\\sub\\key\\ValueName": the string value, empty on any failure.
  static std::wstring getPathFromRegistry(const std::wstring& registryPath);
  static std::wstring getPathFromRegistry(HKEY root, const wchar_t* subKey,
                                          const wchar_t* valueName);
  // The root key of an exact hive name ("HKEY_LOCAL_MACHINE"), else null.
  static HKEY mapHKEYS(const std::wstring& hiveName);
  // The install folder from the registry (ends with a separator), or empty.
  static std::wstring FindInstallPath();
  // baseDirectory (else the install folder) + "xml/config/".
  static std::wstring getConfigPath(const std::wstring& baseDirectory);
  // The desktop folder with a separator at the end; never empty.
  static std::wstring GetDesktopPath();
  // The desktop folder with a separator at the end, or empty. Returns 0.
  static long GetPlatformDesktopPath(std::wstring& desktopPath);

  // ---- file utilities (helperutil_file.cc) ----
  // Why the calling thread's last fileFindAll, fileGetNewestMatchingFile,
  // fileCopy or fileDelete failed, as a sentence that names the path, e.g.
  // "/var/log/app/pipe is a FIFO; only regular files are collected";
  // empty when that operation succeeded.
  static std::wstring lastFileError();
  // Appends the entries of `directory` matching `pattern` ("*", "?",
  // case-sensitive; "." and ".." included when they match) in byte order of
  // their names. VELTENGINE_ERROR_FILE_NOT_FOUND when nothing matches or
  // the folder cannot be read; VELTENGINE_ERROR_UNEXPECTED (logged) when
  // reading fails part way, with the entries found before it appended.
  static long fileFindAll(const std::wstring& directory, const std::wstring& pattern,
                          std::list<FILE_INFO>& files);
  // The match with the latest last-access time (the later one on a tie).
  static long fileGetNewestMatchingFile(const std::wstring& directory,
                                        const std::wstring& pattern, FILE_INFO& newest);
  // Replaces `destination` by a copy of `source`: a regular file, or a
  // folder with the regular files and folders in it (folders of the
  // destination created, times kept, holes of sparse files kept). FIFOs,
  // sockets and devices are refused without being opened; a link is
  // followed only when its owner is root or owns its target. Files without
  // a size (/proc, /sys) are read to their end, at most 64 MiB.
  // VELTENGINE_ERROR_FILE_NOT_FOUND for a missing or vanished source,
  // VELTENGINE_ERROR_ACCESS_DENIED for a refused one,
  // VELTENGINE_ERROR_UNEXPECTED for other failures; lastFileError() says
  // why. Entries of a folder that are refused are left out and logged.
  static long fileCopy(const std::wstring& source, const std::wstring& destination);
  // Deletes one file (a link itself, never its target); a missing file is 0.
  static long fileDelete(const std::wstring& path);
  // Deletes every file directly in `directory`.
  static long fileDeleteAll(const std::wstring& directory);
  // Removes a directory tree without following links.
  static long fileDeleteDirectory(const std::wstring& directory);
  // Keep the last / the first `count` bytes of the file (through
  // "temp_out.txt" in the working directory). A count at or above the size
  // leaves the file unchanged.
  static long fileTruncateFront(long count, const wchar_t* path);
  static long fileTruncateFront(long count, const std::wstring& path);
  static long fileTruncateEnd(long count, const wchar_t* path);
  static long fileTruncateEnd(long count, const std::wstring& path);
  // The same through the work file `workFile` (in a folder of the
  // caller's, not the working directory), which is removed afterwards.
  static long fileTruncateFront(long count, const std::wstring& path, const std::wstring& workFile);
  static long fileTruncateEnd(long count, const std::wstring& path, const std::wstring& workFile);
  // The size in bytes (64-bit), -1.0 when unknown; for a folder the total
  // size of the regular files in it and below it. The string form
  // translates the path first.
  static double getFileSize(const wchar_t* path);
  static double getFileSize(const std::wstring& path);
  // Creates one directory (parents not created); an existing one is 0.
  static long MakeDirectory(const std::wstring& path);

  // ---- summary trees and component order (helperutil_summary.cc) ----
  // Appends a note (type " - ", value `note`) to the first "Other_Note"
  // section below the summary's root. 0, or VELTENGINE_ERROR_BAD_PARAMETER
  // (no summary), VELTENGINE_ERROR_NULL_XML_ROOT (no root) or
  // VELTENGINE_ERROR_NULL_XML_CHILD (no section); nothing is added then.
  static long fillSummaryNote(XMLObject* pXMLSummary, const std::wstring& note);
  // Appends a not-included file (type = file ID, value = file name, then
  // the attributes "description" and "reason") to the first
  // "Manifest_Not_Included" section. Same results as fillSummaryNote.
  static long fillSummaryFailedFile(XMLObject* pXMLSummary, const std::wstring& fileId,
                                    const std::wstring& fileName,
                                    const std::wstring& description,
                                    const std::wstring& reason);
  // "Less than" for sorting file components by their "id" attribute in
  // UTF-16 code-unit order. False unless both have an "id"; a stable sort
  // keeps components without one in place.
  static bool ComponentCompareUsingIDAtt(VeltComponent* a, VeltComponent* b);
  // "Less than" for IDs in UTF-16 code-unit order: the one order every
  // sort and merge walk over file IDs uses.
  static bool lessInUtf16Order(const std::wstring& a, const std::wstring& b);

  // ---- upload request readers (upload/helperutil_upload.cc) ----
  // The text of the request's first "url" element below a "protocol"
  // element, unchanged; empty without a root or without such an element.
  static std::wstring getUploadURLFromRequest(XMLObject& request);
  // The same for the first "upload_size" below a "bundle" element; the text
  // is not converted to a number.
  static std::wstring getUploadMaxSizeFromRequest(XMLObject& request);
};
