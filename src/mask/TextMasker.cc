#include "mask/TextMasker.h"

#include <algorithm>

#include "mask/HostRules.h"
#include "mask/Pseudonyms.h"
#include "mask/SecretRules.h"
#include "velt/mask/BundleMasker.h"

namespace velt {
namespace mask {

TextMasker::TextMasker(const MaskRules& rules, Pseudonyms* pseudonyms)
    : m_rules(rules), m_pseudonyms(pseudonyms) {}

TextMasker::Result TextMasker::Mask(const re2::StringPiece& text, size_t begin, size_t end,
                                    std::string& out, KindCounts& counts) {
  m_rules.Candidates(re2::StringPiece(text.data() + begin, text.size() - begin), m_candidates);
  if (m_candidates.empty() && !m_blocks.inside() && !m_userPassFile) {
    return Result{end, false};
  }
  m_secrets.clear();
  m_hosts.clear();
  m_markers.clear();
  if (m_userPassFile) {
    // The whole (small) file is in this window: its second line goes.
    size_t second = text.find('\n', begin) + 1;
    size_t stop = second;
    while (stop < end && text[stop] != '\r' && text[stop] != '\n') {
      ++stop;
    }
    m_secrets.push_back(MaskSpan{second, stop, MaskKind::kSetting, true, std::string()});
    m_userPassFile = false;
  }
  for (int index : m_candidates) {
    const MaskRule& rule = m_rules[index];
    if (rule.action == RuleAction::kTokens) {
      m_rules.tokens()->Find(text, begin, end, m_secrets);
    } else {
      Search(rule, text, begin, end);
    }
  }
  if (!m_markers.empty() || m_blocks.inside()) {
    m_blocks.Mask(text, begin, end, m_markers, m_secrets);
  }
  Merge(counts);
  if (m_spans.empty()) {
    return Result{end, false};
  }
  size_t position = begin;
  for (const MaskSpan& span : m_spans) {
    out.append(text.data() + position, span.begin - position);
    out.append(span.replacement.empty() ? BundleMasker::kMarker : span.replacement);
    position = span.end;
  }
  size_t consumed = std::max(end, position);
  out.append(text.data() + position, consumed - position);
  return Result{consumed, true};
}

void TextMasker::Search(const MaskRule& rule, const re2::StringPiece& text, size_t begin,
                        size_t end) {
  m_groups.resize(rule.regex->NumberOfCapturingGroups() + 1);
  size_t position = begin;
  while (position < end && rule.regex->Match(text, position, text.size(), RE2::UNANCHORED,
                                             m_groups.data(), static_cast<int>(m_groups.size()))) {
    size_t start = m_groups[0].data() - text.data();
    if (start >= end) {
      break;
    }
    size_t next = start + std::max<size_t>(m_groups[0].size(), 1);
    Accept(rule, text, begin, next);
    position = next;
  }
}

void TextMasker::Accept(const MaskRule& rule, const re2::StringPiece& text, size_t begin,
                        size_t& next) {
  const re2::StringPiece& match = m_groups[0];
  size_t start = match.data() - text.data();
  size_t stop = start + match.size();
  auto secret = [&](const re2::StringPiece& value) {
    size_t at = value.data() - text.data();
    m_secrets.push_back(MaskSpan{at, at + value.size(), rule.kind, true, std::string()});
  };
  switch (rule.action) {
    case RuleAction::kMaskGroups:
    case RuleAction::kMaskWord:
      if (rule.keyGroup > 0 && !IsSettingName(text, m_groups[rule.keyGroup])) {
        return;
      }
      for (size_t group = 1; group < m_groups.size(); ++group) {
        const re2::StringPiece& value = m_groups[group];
        if (static_cast<int>(group) != rule.keyGroup && value.data() != nullptr && !value.empty() &&
            !IsPlaceholderValue(value) &&
            !(rule.action == RuleAction::kMaskWord && IsProseWord(value))) {
          secret(value);
        }
      }
      return;
    case RuleAction::kMaskToken:
      if (LooksLikeToken(m_groups[1])) {
        secret(m_groups[1]);
      }
      return;
    case RuleAction::kJsonMap:
      ForEachJsonValue(m_groups[1], secret);
      return;
    case RuleAction::kBlockBegin:
      if (rule.keyGroup > 0 && !IsSettingName(text, m_groups[rule.keyGroup])) {
        return;
      }
      m_markers.push_back(BlockMarker{start, stop, true, rule.block, rule.kind});
      return;
    case RuleAction::kBlockEnd:
      m_markers.push_back(BlockMarker{start, stop, false, rule.block, rule.kind});
      return;
    case RuleAction::kTokens:
      return;
    case RuleAction::kIpv4:
      if (IsolatedIpv4(text, start, stop)) {
        AddReplacement(rule, text, start, stop);
      }
      return;
    case RuleAction::kIpv6: {
      size_t first = start;
      size_t last = stop;
      // An address that began before the window was written out already.
      if (Ipv6Extent(text, first, last, next) && first >= begin) {
        AddReplacement(rule, text, first, last);
      }
      return;
    }
    case RuleAction::kMac:
      if (IsolatedMac(text, start, stop)) {
        AddReplacement(rule, text, start, stop);
      }
      return;
    case RuleAction::kHostName:
      if (IsolatedName(text, start, stop)) {
        AddReplacement(rule, text, start, stop);
      }
      return;
  }
}

void TextMasker::AddReplacement(const MaskRule& rule, const re2::StringPiece& text, size_t begin,
                                size_t end) {
  if (m_pseudonyms == nullptr) {
    return;
  }
  re2::StringPiece original(text.data() + begin, end - begin);
  bool replaced = false;
  switch (rule.action) {
    case RuleAction::kIpv4:
      replaced = m_pseudonyms->Ipv4(original, m_pseudonym);
      break;
    case RuleAction::kIpv6:
      replaced = m_pseudonyms->Ipv6(original, m_pseudonym);
      break;
    case RuleAction::kMac:
      replaced = m_pseudonyms->Mac(original, m_pseudonym);
      break;
    default:
      replaced = m_pseudonyms->HostName(original, m_pseudonym);
      break;
  }
  if (replaced && original != m_pseudonym) {
    m_hosts.push_back(MaskSpan{begin, end, rule.kind, true, m_pseudonym});
  }
}

void TextMasker::Merge(KindCounts& counts) {
  // Ties go to the kind listed first, so that counts do not depend on the
  // order the rules ran in.
  auto byStart = [](const MaskSpan& a, const MaskSpan& b) {
    return a.begin != b.begin ? a.begin < b.begin
           : a.end != b.end   ? a.end > b.end
                              : a.kind < b.kind;
  };
  std::sort(m_secrets.begin(), m_secrets.end(), byStart);
  std::sort(m_hosts.begin(), m_hosts.end(), byStart);
  m_spans.clear();
  // Overlapping secrets become one, counted once: as the first counted
  // specific kind among them (a token family, a private key), else as the
  // first counted one.
  size_t secrets = 0;
  for (MaskSpan& span : m_secrets) {
    if (secrets > 0 && span.begin < m_spans.back().end) {
      MaskSpan& merged = m_spans.back();
      merged.end = std::max(merged.end, span.end);
      if (span.counted && (!merged.counted || (IsSpecificKind(span.kind) && !IsSpecificKind(merged.kind)))) {
        merged.kind = span.kind;
        merged.counted = true;
      }
    } else {
      m_spans.push_back(std::move(span));
      ++secrets;
    }
  }
  // A pseudonym survives only where no secret and no earlier pseudonym is.
  size_t secret = 0;
  size_t lastHostEnd = 0;
  for (MaskSpan& span : m_hosts) {
    while (secret < secrets && m_spans[secret].end <= span.begin) {
      ++secret;
    }
    bool underSecret = secret < secrets && m_spans[secret].begin < span.end;
    if (!underSecret && span.begin >= lastHostEnd) {
      lastHostEnd = span.end;
      m_spans.push_back(std::move(span));
    }
  }
  for (const MaskSpan& span : m_spans) {
    if (span.counted) {
      ++counts[static_cast<size_t>(span.kind)];
    }
  }
  std::inplace_merge(m_spans.begin(), m_spans.begin() + secrets, m_spans.end(), byStart);
}

}  // namespace mask
}  // namespace velt
