#include "line_converter.h"

namespace zivuvi {
namespace {

char* find_field_end(char* first, char* last, char delimiter) {
  while (first != last && *first != delimiter && *first != '\n' && *first != '\0')
    ++first;
  return first;
}

}  // namespace

FieldRules make_field_rules(char decimal_separator, char delimiter) {
  // A separator that is also the delimiter never stands inside a field.
  const char separator = decimal_separator == delimiter ? '.' : decimal_separator;
  return {
      separator, delimiter,
      is_foreign_to_numbers(delimiter) && (separator == '.' || is_foreign_to_numbers(separator))};
}

// Makes text available at source_.next; false at the end of the text or when
// a read fails.
bool FieldsAcrossBlocks::next_piece() {
  if (read_failed_) return false;
  if (source_.next != source_.end) return true;
  if (!refill_text(source_)) {
    read_failed_ = true;
    return false;
  }
  return source_.next != source_.end;
}

double FieldsAcrossBlocks::next_value() {
  NumberScan scan;
  start_number(scan, rules_.decimal_separator);
  for (;;) {
    if (!next_piece()) {
      line_ended_ = line_consumed_ = true;
      break;
    }
    char* field_end = find_field_end(source_.next, source_.end, rules_.delimiter);
    scan_number(scan, source_.next, field_end);
    source_.next = field_end;
    if (field_end == source_.end) continue;
    if (*field_end == '\n') {
      line_ended_ = line_consumed_ = true;
      ++source_.next;
    } else if (*field_end == '\0') {
      line_ended_ = true;
    } else {
      ++source_.next;
    }
    break;
  }
  return number_value(scan);
}

void FieldsAcrossBlocks::pass_over_rest() {
  while (!line_consumed_ && next_piece()) {
    char* line_feed = find_or_end(source_.next, source_.end, '\n');
    if (line_feed != source_.end) {
      source_.next = line_feed + 1;
      return;
    }
    source_.next = source_.end;
  }
}

}  // namespace zivuvi
