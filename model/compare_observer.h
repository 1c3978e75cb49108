#ifndef VARNIC_MODEL_COMPARE_OBSERVER_H_
#define VARNIC_MODEL_COMPARE_OBSERVER_H_

#include <string_view>

#include "model/line_list.h"
#include "model/sections.h"

namespace varnic {

enum class Band { k5GHz, k24GHz };

// Optional listener for what the pipeline drops or changes before the lines are compared, so a
// front end can explain a comparison. Stages take a nullable pointer; with none attached they
// do exactly the same work. Every default does nothing.
class CCompareObserver {
 public:
  virtual ~CCompareObserver() = default;

  // Relevance filtering removed `line` from a bucket; `rules` are the rules that matched it.
  virtual void OnLineFiltered(FileSide /*file*/, Section /*section*/, std::string_view /*line*/,
                              const CLineList& /*rules*/) {}
  // Band reconciliation emptied the four buckets of `band` in `file`.
  virtual void OnBandCleared(FileSide /*file*/, Band /*band*/) {}
  // Section reconciliation removed `line` because the other device type's section lacks its key.
  virtual void OnReconcileRemoved(FileSide /*file*/, Section /*section*/,
                                  std::string_view /*line*/) {}
  // Section reconciliation restored `line` because the file's own settings make it relevant.
  virtual void OnReconcileRestored(FileSide /*file*/, Section /*section*/,
                                   std::string_view /*line*/) {}
  // MAC filter matching moved an address from entry `before` to entry `after`, to line equal
  // addresses up.
  virtual void OnMacRenumbered(FileSide /*file*/, Section /*section*/, std::string_view /*before*/,
                               std::string_view /*after*/) {}
};

}  // namespace varnic

#endif  // VARNIC_MODEL_COMPARE_OBSERVER_H_
