#include "engine/config_compare.h"

#include <system_error>

#include "base/output_plan.h"
#include "engine/staged_files.h"
#include "engine/text_file.h"
#include "model/emit_normalized.h"
#include "varnic/compare.h"
#include "varnic/marked.h"

namespace varnic {
namespace {

// Reads `path` into `text`; on a read that fails partway keeps the whole lines read before it.
bool ReadWholeLines(const std::string& path, std::string& text) {
  std::error_code error;
  if (ReadFileBytes(path, text, error)) return true;
  const std::size_t lastBreak = text.rfind('\n');
  text.resize(lastBreak == std::string::npos ? 0 : lastBreak + 1);
  return false;
}

}  // namespace

bool CConfigCompare::LoadFiles(const std::string& path1, std::int32_t nType1,
                               const std::string& path2, std::int32_t nType2) {
  LoadTexts({}, nType1, {}, nType2);
  path1_ = path1;
  path2_ = path2;
  return ReadWholeLines(path1, text1_) && ReadWholeLines(path2, text2_);
}

void CConfigCompare::LoadTexts(std::string_view text1, std::int32_t nType1, std::string_view text2,
                               std::int32_t nType2) {
  // A load begins a new comparison: results of an earlier one on this object must never mix
  // into it.
  comparison_.reset();
  nType1_ = nType1;
  nType2_ = nType2;
  text1_.assign(text1);
  text2_.assign(text2);
  path1_.clear();
  path2_.clear();
}

void CConfigCompare::CompareFiles() {
  if (comparison_) {
    text1_ = NormalizedText(comparison_->Buckets(FileSide::kFile1));
    text2_ = NormalizedText(comparison_->Buckets(FileSide::kFile2));
  }
  comparison_.reset();
  comparison_ = Compare({std::move(text1_), nType1_}, {std::move(text2_), nType2_});
  text1_.clear();
  text2_.clear();
}

bool CConfigCompare::WriteFiles(const std::string& path1, int& count1, const std::string& path2,
                                int& count2) const {
  if (!OutputsAreSafe(path1, path2)) return false;
  const auto lines = comparison_ ? static_cast<int>(comparison_->ResultLineCount()) : 0;
  count1 = lines;
  count2 = lines;
  std::error_code error;
  CStagedFiles outputs;
  for (const auto& [path, side] :
       {std::pair{&path1, FileSide::kFile1}, {&path2, FileSide::kFile2}}) {
    const FileSide file = side;  // clang 14 cannot capture a structured binding
    const bool staged = outputs.Stage(
        *path,
        [this, file](CBufferedWriter& out) {
          if (comparison_) RenderMarked(*comparison_, file, out);
        },
        error);
    if (!staged) return false;
  }
  return outputs.Commit(error);
}

bool CConfigCompare::OutputsAreSafe(const std::string& path1, const std::string& path2) const {
  base::COutputPlan plan;
  for (const std::string* input : {&path1_, &path2_}) {
    if (!input->empty()) plan.AddInput(*input);
  }
  plan.AddOutput(path1);
  plan.AddOutput(path2);
  return !plan.Check();
}

std::vector<std::string> CConfigCompare::Result1() const {
  return comparison_ ? MarkedLines(*comparison_, FileSide::kFile1) : std::vector<std::string>{};
}

std::vector<std::string> CConfigCompare::Result2() const {
  return comparison_ ? MarkedLines(*comparison_, FileSide::kFile2) : std::vector<std::string>{};
}

}  // namespace varnic
