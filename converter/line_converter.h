// Turns lines of text into values: exactly `columns` values a line, missing
// and empty fields 0.0, fields beyond `columns` passed over, a zero byte
// cutting its line. The values go to a sink of any type that has
// append_value(sink, double); the converter knows nothing of files.
#pragma once

#include <algorithm>
#include <cstdint>

#include "find.h"
#include "number.h"
#include "text_source.h"

namespace zivuvi {

struct FieldRules {
  char decimal_separator;
  char delimiter;
  // Read a field's number before searching its end: it cannot run past the
  // delimiter, and the field mostly ends where the number does.
  bool numbers_end_before_delimiter;
};

FieldRules make_field_rules(char decimal_separator, char delimiter);

// The rules every line follows, whichever way its fields are read.
template <class Fields, class Sink>
void convert_row(Fields& fields, std::int32_t columns, Sink& sink) {
  std::int32_t column = 0;
  for (; column < columns && fields.more(); ++column)
    append_value(sink, fields.next_value());
  for (; column < columns; ++column)
    append_value(sink, 0.0);
  fields.pass_over_rest();
}

// The fields of a line that lies whole in memory.
class FieldsInMemory {
 public:
  // [first, line_feed) is the line; a zero byte at next_zero cuts it.
  FieldsInMemory(const char* first, const char* line_feed, const char* next_zero, const char* last,
                 const FieldRules& rules)
      : cursor_(first),
        line_end_(std::min(line_feed, next_zero)),
        after_line_(line_feed == last ? last : line_feed + 1),
        rules_(rules) {}

  bool more() const { return cursor_ != line_end_; }

  double next_value() {
    double value;
    const char* field_end;
    const char* number_end = nullptr;
    if (rules_.numbers_end_before_delimiter) {
      number_end = parse_common_number(cursor_, line_end_, rules_.decimal_separator, value);
    }
    if (number_end != nullptr && (number_end == line_end_ || *number_end == rules_.delimiter)) {
      field_end = number_end;
    } else {
      field_end =
          find_or_end(number_end != nullptr ? number_end : cursor_, line_end_, rules_.delimiter);
      if (number_end == nullptr) {
        value = rules_.numbers_end_before_delimiter
                    ? parse_number_fully(cursor_, field_end, rules_.decimal_separator)
                    : parse_number(cursor_, field_end, rules_.decimal_separator);
      }
    }
    cursor_ = field_end == line_end_ ? line_end_ : field_end + 1;
    return value;
  }

  void pass_over_rest() { cursor_ = after_line_; }
  const char* cursor() const { return cursor_; }

 private:
  const char* cursor_;
  const char* line_end_;
  const char* after_line_;
  const FieldRules& rules_;
};

// Converts the whole lines in [first, last), as take_lines gives them.
template <class Sink>
void convert_lines(const char* first, const char* last, std::int32_t columns,
                   const FieldRules& rules, Sink& sink) {
  const char* next_zero = find_or_end(first, last, '\0');
  while (first != last) {
    if (next_zero < first) next_zero = find_or_end(first, last, '\0');
    FieldsInMemory fields(first, find_or_end(first, last, '\n'), next_zero, last, rules);
    convert_row(fields, columns, sink);
    first = fields.cursor();
  }
}

// The fields of a line longer than the block: a field, too, may span blocks.
class FieldsAcrossBlocks {
 public:
  FieldsAcrossBlocks(TextSource& source, const FieldRules& rules)
      : source_(source), rules_(rules) {}

  bool more() const { return !line_ended_ && !read_failed_; }
  double next_value();
  void pass_over_rest();
  bool read_failed() const { return read_failed_; }

 private:
  bool next_piece();

  TextSource& source_;
  const FieldRules& rules_;
  bool line_ended_ = false;     // at its line feed, a zero byte or the end of the text
  bool line_consumed_ = false;  // nothing of it is left to pass over
  bool read_failed_ = false;
};

// Converts the line at the front of the source, which take_lines found too
// long for the block. False when a read fails.
template <class Sink>
bool convert_long_line(TextSource& source, std::int32_t columns, const FieldRules& rules,
                       Sink& sink) {
  FieldsAcrossBlocks fields(source, rules);
  convert_row(fields, columns, sink);
  return !fields.read_failed();
}

}  // namespace zivuvi
