#include "store/timeline.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <set>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

namespace varnic::store {
namespace {

// A setting's identity, unambiguous whatever bytes its section and key hold.
std::string SettingId(const CDriftRecord& row) {
  return std::to_string(row.section.size()) + ":" + row.section + row.key;
}

const std::vector<CDriftRecord>& RowsOf(const DriftSets& sets, std::int64_t id) {
  static const std::vector<CDriftRecord> kNone;
  const auto found = sets.find(id);
  return found == sets.end() ? kNone : found->second;
}

// The drifting (not ignored) settings of each set, worked out once per set.
class CSettingsOf {
 public:
  explicit CSettingsOf(const DriftSets& sets) : sets_(sets) {}
  const std::unordered_map<std::string, const CDriftRecord*>& operator()(std::int64_t id) {
    auto [entry, added] = cache_.try_emplace(id);
    if (added) {
      for (const CDriftRecord& row : RowsOf(sets_, id)) {
        if (!row.ignored) entry->second.emplace(SettingId(row), &row);
      }
    }
    return entry->second;
  }

 private:
  const DriftSets& sets_;
  std::unordered_map<std::int64_t, std::unordered_map<std::string, const CDriftRecord*>> cache_;
};

// Readings of one device, oldest first, runs that found the same drift folded into one span.
struct CSpan {
  std::int64_t set = 0;
  std::int64_t firstRun = 0;
  std::int64_t lastRun = 0;
};

std::map<std::string, std::vector<const CObservation*>> ByDevice(
    const std::vector<CObservation>& observations) {
  std::map<std::string, std::vector<const CObservation*>> devices;
  for (const CObservation& o : observations) devices[o.name].push_back(&o);
  return devices;
}

std::vector<CSpan> Spans(const std::vector<const CObservation*>& readings) {
  std::vector<CSpan> spans;
  for (const CObservation* o : readings) {
    if (o->status == "error") continue;
    if (!spans.empty() && spans.back().set == o->driftSet) {
      spans.back().lastRun = o->run;
    } else {
      spans.push_back({o->driftSet, o->run, o->run});
    }
  }
  return spans;
}

// The first run of the unbroken stretch of spans, ending at `end`, in which `setting` drifted.
std::int64_t FirstSeen(const std::vector<CSpan>& spans, std::size_t end, const std::string& setting,
                       CSettingsOf& settingsOf) {
  std::int64_t first = spans[end].firstRun;
  for (std::size_t i = end; i-- > 0;) {
    if (settingsOf(spans[i].set).count(setting) == 0) break;
    first = spans[i].firstRun;
  }
  return first;
}

bool AllDigits(const std::string& text) {
  return !text.empty() && text.size() < 19 && std::all_of(text.begin(), text.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
  });
}

// "2026-12-08" or "2026-12-08T06:00:00Z", as runs store their times.
bool IsTime(const std::string& text) {
  static constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:ddZ";
  if (text.size() != 10 && text.size() != kShape.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool digit = std::isdigit(static_cast<unsigned char>(text[i])) != 0;
    if (kShape[i] == 'd' ? !digit : text[i] != kShape[i]) return false;
  }
  return true;
}

}  // namespace

bool ResolveSince(const std::vector<CRun>& runs, const std::string& text, std::int64_t& reference,
                  std::string& error) {
  if (AllDigits(text)) {
    reference = std::stoll(text);
    for (const CRun& run : runs) {
      if (run.id == reference) return true;
    }
    error = "--since: there is no run " + text;
    return false;
  }
  if (!IsTime(text)) {
    error = "--since: '" + text + "' is neither a run number nor a date (2026-12-08 or " +
            "2026-12-08T06:00:00Z)";
    return false;
  }
  // A date alone is its midnight, UTC: "since the 8th" is from the first run of the 8th on.
  const std::string from = text.size() == 10 ? text + "T00:00:00Z" : text;
  reference = 0;
  for (const CRun& run : runs) {
    if (run.startedAt < from) reference = std::max(reference, run.id);
  }
  return true;
}

std::vector<std::int64_t> SetsNamed(const std::vector<CObservation>& observations) {
  std::set<std::int64_t> ids;
  for (const CObservation& o : observations) {
    if (o.driftSet != 0) ids.insert(o.driftSet);
  }
  return {ids.begin(), ids.end()};
}

CSince Since(const std::vector<CRun>& runs, const std::vector<CObservation>& observations,
             const DriftSets& sets, std::int64_t reference) {
  std::unordered_map<std::int64_t, std::string> started;
  for (const CRun& run : runs) started[run.id] = run.startedAt;
  CSettingsOf settingsOf(sets);
  CSince since;
  since.reference = reference;
  static constexpr std::array<std::string_view, 3> kOrder = {"new", "fixed", "persisting"};
  // Without a later run, nobody can have gone missing since.
  const bool laterRuns =
      std::any_of(runs.begin(), runs.end(), [&](const CRun& run) { return run.id > reference; });
  for (const auto& [name, readings] : ByDevice(observations)) {
    const std::vector<CSpan> spans = Spans(readings);
    std::optional<std::size_t> before;
    std::optional<std::size_t> now;
    for (std::size_t i = 0; i < spans.size(); ++i) {
      if (spans[i].firstRun <= reference) before = i;
      if (spans[i].lastRun > reference) now = i;
    }
    const bool seenAfter = std::any_of(readings.begin(), readings.end(),
                                       [&](const CObservation* o) { return o->run > reference; });
    if (!now) {
      if (before && !seenAfter && laterRuns) since.notSeen.push_back(name);
      continue;
    }
    // A span that straddles the reference is both the state then and the state now.
    const auto& current = settingsOf(spans[*now].set);
    static const std::unordered_map<std::string, const CDriftRecord*> kNothing;
    const auto& earlier = before ? settingsOf(spans[*before].set) : kNothing;
    std::vector<CSettingChange> changes;
    // clang 14 cannot capture a structured binding in a lambda; a reference to it can be.
    const auto& device = name;
    const auto add = [&](const std::string& setting, const CDriftRecord& row, const char* state,
                         std::size_t end) {
      CSettingChange c;
      c.device = device;
      c.section = row.section;
      c.key = row.key;
      c.state = state;
      c.kind = row.kind;
      c.baseline = row.baseline;
      c.value = row.device;
      c.firstSeenRun = FirstSeen(spans, end, setting, settingsOf);
      c.firstSeenAt = started[c.firstSeenRun];
      c.lastRun = spans[*now].lastRun;
      changes.push_back(std::move(c));
    };
    for (const auto& [setting, row] : current) {
      add(setting, *row, earlier.count(setting) != 0 ? "persisting" : "new", *now);
    }
    for (const auto& [setting, row] : earlier) {
      if (current.count(setting) == 0) add(setting, *row, "fixed", *before);
    }
    const auto rank = [](const std::string& state) {
      return std::find(kOrder.begin(), kOrder.end(), state) - kOrder.begin();
    };
    std::sort(changes.begin(), changes.end(),
              [&](const CSettingChange& a, const CSettingChange& b) {
                return std::tuple(rank(a.state), a.section, a.key) <
                       std::tuple(rank(b.state), b.section, b.key);
              });
    for (CSettingChange& c : changes) {
      since.added += c.state == "new" ? 1 : 0;
      since.fixed += c.state == "fixed" ? 1 : 0;
      since.persisting += c.state == "persisting" ? 1 : 0;
      since.settings.push_back(std::move(c));
    }
  }
  return since;
}

std::vector<CTimelineEntry> Timeline(const std::vector<CRun>& runs,
                                     const std::vector<CObservation>& observations,
                                     const DriftSets& sets) {
  std::unordered_map<std::int64_t, std::string> started;
  for (const CRun& run : runs) started[run.id] = run.startedAt;
  CSettingsOf settingsOf(sets);
  std::vector<CTimelineEntry> entries;
  std::optional<std::int64_t> previous;
  for (const CObservation& o : observations) {
    CTimelineEntry entry;
    entry.observation = o;
    entry.startedAt = started[o.run];
    if (o.status != "error") {
      const auto& now = settingsOf(o.driftSet);
      const auto& then = previous ? settingsOf(*previous) : settingsOf(0);
      for (const CDriftRecord& row : RowsOf(sets, o.driftSet)) {
        if (!row.ignored && then.count(SettingId(row)) == 0) entry.appeared.push_back(row);
      }
      if (previous) {
        for (const CDriftRecord& row : RowsOf(sets, *previous)) {
          if (!row.ignored && now.count(SettingId(row)) == 0) entry.cleared.push_back(row);
        }
      }
      previous = o.driftSet;
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

CTrends Trends(const std::vector<CRun>& runs, const std::vector<CObservation>& observations,
               const DriftSets& sets, std::size_t top) {
  CTrends trends;
  std::unordered_map<std::int64_t, std::size_t> column;
  for (const CRun& run : runs) {
    column[run.id] = trends.runs.size();
    trends.runs.push_back(run.id);
  }
  trends.drifted.assign(trends.runs.size(), 0);
  // How often each set was found, over all runs and in each: a set's settings are then counted
  // once per set, not once per device.
  std::unordered_map<std::int64_t, std::int64_t> uses;
  std::map<std::pair<std::size_t, std::int64_t>, std::int64_t> usesInRun;
  for (const CObservation& o : observations) {
    const auto at = column.find(o.run);
    if (at == column.end()) continue;
    if (o.status == "drifted") ++trends.drifted[at->second];
    if (o.driftSet == 0 || o.status == "error") continue;
    ++uses[o.driftSet];
    ++usesInRun[{at->second, o.driftSet}];
  }
  CSettingsOf settingsOf(sets);
  std::unordered_map<std::string, std::int64_t> totals;
  std::unordered_map<std::string, const CDriftRecord*> rows;
  for (const auto& [set, count] : uses) {
    for (const auto& [setting, row] : settingsOf(set)) {
      totals[setting] += count;
      rows.emplace(setting, row);
    }
  }
  std::vector<std::pair<std::string, std::int64_t>> ranked(totals.begin(), totals.end());
  std::sort(ranked.begin(), ranked.end(), [&](const auto& a, const auto& b) {
    const CDriftRecord& x = *rows[a.first];
    const CDriftRecord& y = *rows[b.first];
    return std::tuple(-a.second, x.section, x.key) < std::tuple(-b.second, y.section, y.key);
  });
  if (ranked.size() > top) ranked.resize(top);
  for (const auto& [setting, total] : ranked) {
    std::vector<std::int64_t> counts(trends.runs.size(), 0);
    for (const auto& [where, count] : usesInRun) {
      if (settingsOf(where.second).count(setting) != 0) counts[where.first] += count;
    }
    const CDriftRecord& row = *rows[setting];
    trends.settings.emplace_back(row.section + " " + row.key, std::move(counts));
  }
  return trends;
}

}  // namespace varnic::store
