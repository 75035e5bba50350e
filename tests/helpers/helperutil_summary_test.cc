#include <gtest/gtest.h>

#include <list>
#include <memory>
#include <vector>

#include "helpers/SummaryTree.h"
#include "support/CapturingLogger.h"
#include "velt/helpers/helperUtil.h"
#include "velt/model/XMLObject.h"
#include "velt/runtime/ResultCodes.h"

namespace {

TEST(HelperUtilSummaryTest, NotesAndFailedFilesGoToTheirSectionsInCallOrder) {
  auto summary = velt::NewSummaryTree();
  EXPECT_EQ(helperUtil::fillSummaryNote(summary.get(), L"first"), 0);
  EXPECT_EQ(helperUtil::fillSummaryNote(summary.get(), L"second"), 0);
  EXPECT_EQ(helperUtil::fillSummaryFailedFile(summary.get(), L"log", L"a.txt", L"desc", L""), 0);
  EXPECT_EQ(helperUtil::fillSummaryFailedFile(summary.get(), L"log", L"a.txt", L"", L"why"), 0);

  const auto& notes = summary->GetRoot()->FindChild(L"Other_Note")->GetChildren();
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes.front()->GetType() + notes.front()->GetVal(), L" - first");
  EXPECT_EQ(notes.back()->GetVal(), L"second");

  VeltComponent* failed = summary->GetRoot()->FindChild(L"Manifest_Not_Included");
  ASSERT_EQ(failed->GetChildren().size(), 2u);  // same ID twice stays twice
  VeltComponent* entry = failed->GetChildren().front();
  EXPECT_EQ(entry->GetType(), L"log");
  EXPECT_EQ(entry->GetVal(), L"a.txt");
  ASSERT_EQ(entry->GetAtt().size(), 2u);  // description, then reason
  EXPECT_EQ(entry->GetAtt().front()->getName() + entry->GetAtt().back()->getName(),
            L"descriptionreason");
  EXPECT_EQ(entry->FindAttrib(L"reason")->getValue(), L"");
  EXPECT_EQ(failed->GetChildren().back()->FindAttrib(L"reason")->getValue(), L"why");
  EXPECT_EQ(summary->GetRoot()->GetSize(), 9);
}

TEST(HelperUtilSummaryTest, MissingPiecesAreLoggedAndNothingIsAdded) {
  velt::test::ScopedLogCapture capture;
  EXPECT_EQ(helperUtil::fillSummaryNote(nullptr, L"n"), VELTENGINE_ERROR_BAD_PARAMETER);
  EXPECT_TRUE(capture.Contains("pXMLSummary is NULL"));
  XMLObject rootless;
  EXPECT_EQ(helperUtil::fillSummaryFailedFile(&rootless, L"i", L"f", L"d", L"r"),
            VELTENGINE_ERROR_NULL_XML_ROOT);
  EXPECT_TRUE(capture.Contains("pXMLSummary->GetRoot() is NULL"));
  XMLObject bare(L"summary", L"");
  EXPECT_EQ(helperUtil::fillSummaryNote(&bare, L"n"), VELTENGINE_ERROR_NULL_XML_CHILD);
  EXPECT_TRUE(capture.Contains("pDCNoteComponent is NULL"));
  EXPECT_EQ(helperUtil::fillSummaryFailedFile(&bare, L"i", L"f", L"d", L"r"),
            VELTENGINE_ERROR_NULL_XML_CHILD);
  EXPECT_TRUE(capture.Contains("pDCFailedFiles is NULL"));
  EXPECT_TRUE(bare.GetRoot()->GetChildren().empty());
  EXPECT_TRUE(capture.Contains("helperUtil::fillSummaryFailedFile"));
}

TEST(HelperUtilSummaryTest, IdOrderIsCodeUnitOrder) {
  std::vector<std::unique_ptr<VeltComponent>> owned;
  auto make = [&](const wchar_t* id) {
    owned.push_back(std::make_unique<VeltComponent>(L"file", id));
    owned.back()->AddAttrib(L"id", id);
    return owned.back().get();
  };
  std::list<VeltComponent*> files{make(L"9"),  make(L"ab"),         make(L"10"),
                                  make(L"a"),  make(L"\uFF01"),      make(L"\U0001F600"),
                                  make(L"B")};
  files.sort(helperUtil::ComponentCompareUsingIDAtt);
  std::vector<std::wstring> order;
  for (VeltComponent* f : files) order.push_back(f->GetVal());
  // Upper case before lower, "10" before "9", a prefix before its longer
  // form; a character written with surrogates comes before U+FF01 as in
  // UTF-16.
  const std::vector<std::wstring> sorted{L"10", L"9", L"B", L"a", L"ab", L"\U0001F600", L"\uFF01"};
  EXPECT_EQ(order, sorted);

  // Components without an "id" are never less than anything, nor is
  // anything less than them.
  VeltComponent noAttributes(L"file", L"");
  VeltComponent otherName(L"file", L"");
  otherName.AddAttrib(L"ID", L"0");
  for (VeltComponent* odd : {&noAttributes, &otherName}) {
    EXPECT_FALSE(helperUtil::ComponentCompareUsingIDAtt(odd, files.front()));
    EXPECT_FALSE(helperUtil::ComponentCompareUsingIDAtt(files.front(), odd));
  }
  EXPECT_FALSE(helperUtil::ComponentCompareUsingIDAtt(nullptr, files.front()));
  EXPECT_FALSE(helperUtil::ComponentCompareUsingIDAtt(files.front(), files.front()));
}

}  // namespace
