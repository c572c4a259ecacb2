#include "conversion.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "line_converter.h"
#include "octave_writer.h"
#include "platform.h"

namespace zivuvi {
namespace {

// Chunks of whole lines are converted on several threads at once and written
// in the order they were read. The chunks are a ring, allocated at the start:
// memory does not grow with the source, and since a chunk holds at most
// Tuning::chunk_values values, not with the output either.
class Pipeline {
 public:
  Pipeline(const Tuning& tuning, std::int32_t columns, const FieldRules& rules)
      : columns_(columns), rules_(rules), chunks_(2 * std::size_t{tuning.threads}) {
    const std::size_t values_bytes =
        chunk_lines(tuning, columns) * static_cast<std::size_t>(columns) * kValueSize;
    for (Chunk& chunk : chunks_) {
      chunk.text.reset(new char[tuning.block_size]);
      chunk.values.reset(new unsigned char[values_bytes]);
    }
    threads_.reserve(tuning.threads);
    for (unsigned i = 0; i < tuning.threads; ++i)
      threads_.emplace_back([this] { work(); });
  }

  ~Pipeline() {
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    work_ready_.notify_all();
    for (std::thread& thread : threads_)
      thread.join();
  }

  Pipeline(const Pipeline&) = delete;
  Pipeline& operator=(const Pipeline&) = delete;

  static std::size_t chunk_lines(const Tuning& tuning, std::int32_t columns) {
    return tuning.chunk_values / static_cast<std::size_t>(columns);
  }

  // Hands the lines to the threads; when every chunk is in use, first waits
  // for the oldest and writes it. False when a write failed.
  bool convert(const LineRun& run, OctaveWriter& writer) {
    if (handed_ - written_ == chunks_.size() && !write_oldest(writer)) return false;
    Chunk& chunk = chunks_[handed_ % chunks_.size()];
    chunk.text_size = static_cast<std::size_t>(run.last - run.first);
    std::copy(run.first, run.last, chunk.text.get());
    chunk.converted = false;
    {
      const std::lock_guard lock(mutex_);
      ++handed_;
    }
    work_ready_.notify_one();
    return true;
  }

  // Writes every chunk handed over. False when a write failed.
  bool write_all(OctaveWriter& writer) {
    while (written_ != handed_) {
      if (!write_oldest(writer)) return false;
    }
    return true;
  }

 private:
  struct Chunk {
    std::unique_ptr<char[]> text;
    std::unique_ptr<unsigned char[]> values;
    std::size_t text_size = 0;
    std::size_t values_size = 0;
    bool converted = false;
  };

  bool write_oldest(OctaveWriter& writer) {
    Chunk& chunk = chunks_[written_ % chunks_.size()];
    {
      std::unique_lock lock(mutex_);
      work_done_.wait(lock, [&] { return chunk.converted; });
    }
    write_stored_values(writer, StoredValues{chunk.values.get(), chunk.values_size});
    ++written_;
    return !writer.failed;
  }

  void work() {
    std::unique_lock lock(mutex_);
    for (;;) {
      work_ready_.wait(lock, [&] { return stopping_ || taken_ != handed_; });
      if (stopping_) return;
      Chunk& chunk = chunks_[taken_++ % chunks_.size()];
      lock.unlock();
      StoredValues values{chunk.values.get(), 0};
      convert_lines(chunk.text.get(), chunk.text.get() + chunk.text_size, columns_, rules_, values);
      chunk.values_size = values.size;
      lock.lock();
      chunk.converted = true;
      work_done_.notify_all();
    }
  }

  const std::int32_t columns_;
  const FieldRules rules_;
  std::vector<Chunk> chunks_;
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable work_ready_;
  std::condition_variable work_done_;
  // Counts of chunks: handed_ and taken_ are guarded by mutex_; written_ is
  // the calling thread's alone.
  std::uint64_t handed_ = 0;
  std::uint64_t taken_ = 0;
  std::uint64_t written_ = 0;
  bool stopping_ = false;
};

// Converts every line after the head: in chunks on the pipeline's threads
// when there is one, else here. Lines too long for the block are converted
// here in either case, once everything before them is written.
Failure convert_all_lines(TextSource& source, OctaveWriter& writer, std::int32_t columns,
                          const FieldRules& rules, const Limits& limits, Pipeline* pipeline,
                          std::int64_t chunk_lines, std::size_t chunk_size, ProgressLine* progress,
                          std::int64_t& lines) {
  for (;;) {
    if (progress != nullptr) progress->update(source.bytes_read);
    // One line past the limit is enough to know it is passed.
    const LineRun run =
        take_lines(source, std::min(chunk_lines, limits.max_lines - lines + 1), chunk_size);
    if (run.what == Take::end_of_table) break;
    if (run.what == Take::read_failed) return Failure::cannot_read_source;
    if (run.what == Take::long_line) {
      if (pipeline != nullptr && !pipeline->write_all(writer)) {
        return Failure::cannot_write_destination;
      }
      if (!convert_long_line(source, columns, rules, writer)) return Failure::cannot_read_source;
      ++lines;
    } else {
      if (pipeline == nullptr) {
        convert_lines(run.first, run.last, columns, rules, writer);
      } else if (!pipeline->convert(run, writer)) {
        return Failure::cannot_write_destination;
      }
      lines += run.count;
    }
    if (lines > limits.max_lines) return Failure::source_too_large;
    // A full disk stops the run at once rather than after the whole source.
    if (writer.failed) return Failure::cannot_write_destination;
  }
  if (pipeline != nullptr && !pipeline->write_all(writer)) {
    return Failure::cannot_write_destination;
  }
  return Failure::none;
}

// The lines a conversion will take, by the same rules, converting nothing.
Failure count_lines(TextSource& source, const FieldRules& rules, const Limits& limits,
                    ProgressLine* progress, std::int64_t& lines) {
  for (;;) {
    if (progress != nullptr) progress->update(source.bytes_read);
    const LineRun run = take_lines(source, limits.max_lines - lines + 1, SIZE_MAX);
    if (run.what == Take::end_of_table) return Failure::none;
    if (run.what == Take::read_failed) return Failure::cannot_read_source;
    if (run.what == Take::long_line) {
      FieldsAcrossBlocks fields(source, rules);
      fields.pass_over_rest();
      if (fields.read_failed()) return Failure::cannot_read_source;
      ++lines;
    } else {
      lines += run.count;
    }
    if (lines > limits.max_lines) return Failure::source_too_large;
  }
}

}  // namespace

Failure convert_table(std::FILE* source_file, std::FILE* destination, const Settings& settings,
                      const Limits& limits, const Tuning& tuning, ProgressLine* progress) {
  const bool destination_seeks = can_seek(destination);
  if (!destination_seeks && !can_seek(source_file)) return Failure::cannot_write_destination;
  // The block and the output buffer live on this stack: allocating them costs
  // more than a small table takes to convert.
  TextSource text;
  start_text(text, source_file, tuning.block_size);
  const FirstLine first_line = read_first_line(text, settings.delimiter);
  if (first_line.read_failed) return Failure::cannot_read_source;
  if (first_line.length < 2) return Failure::invalid_data;
  if (first_line.delimiters > limits.max_delimiters) return Failure::source_too_large;
  if (!rewind_text(text)) return Failure::cannot_read_source;
  const auto columns = static_cast<std::int32_t>(first_line.delimiters + 1);
  const FieldRules rules = make_field_rules(settings.decimal_separator, settings.delimiter);

  OctaveWriter writer;
  std::int64_t counted_lines = 0;
  if (destination_seeks) {
    start_octave_file(writer, destination, settings.variable_name);
  } else {
    const Failure failure = count_lines(text, rules, limits, progress, counted_lines);
    if (failure != Failure::none) return failure;
    if (!restart_text(text)) return Failure::cannot_read_source;
    start_octave_file_in_order(writer, destination, settings.variable_name, columns,
                               static_cast<std::int32_t>(counted_lines));
  }
  // A source that the first block holds whole is done before threads would
  // have started; a line wider than a chunk gains nothing from them. One
  // thread cuts the same chunks and converts them in place.
  const std::size_t chunk_lines = Pipeline::chunk_lines(tuning, columns);
  std::optional<Pipeline> pipeline;
  if (tuning.threads > 1 && !text.text_ended && chunk_lines > 0) {
    pipeline.emplace(tuning, columns, rules);
  }
  std::int64_t lines = 0;
  const Failure failure =
      convert_all_lines(text, writer, columns, rules, limits, pipeline ? &*pipeline : nullptr,
                        static_cast<std::int64_t>(std::max<std::size_t>(chunk_lines, 1)),
                        tuning.chunk_size, progress, lines);
  if (failure != Failure::none) return failure;
  // A source that changed between the two readings would give a file whose
  // head does not fit its values.
  if (!destination_seeks && lines != counted_lines) return Failure::cannot_read_source;
  if (!finish_octave_file(writer, columns, static_cast<std::int32_t>(lines))) {
    return Failure::cannot_write_destination;
  }
  return Failure::none;
}

}  // namespace zivuvi
