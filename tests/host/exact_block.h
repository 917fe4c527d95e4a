// Test texts in heap blocks of exactly their size, so that the sanitized build
// reports any read past a terminator or past a given length.
#ifndef VARNIX_TESTS_HOST_EXACT_BLOCK_H
#define VARNIX_TESTS_HOST_EXACT_BLOCK_H

#include <memory>
#include <string>

namespace varnix_test {

// The text alone, without a terminator.
inline std::unique_ptr<char[]> Unterminated(const std::string& text) {
  std::unique_ptr<char[]> block(new char[text.size()]);
  text.copy(block.get(), text.size());
  return block;
}

// The text and its terminator, nothing after.
inline std::unique_ptr<char[]> Terminated(const std::string& text) {
  return Unterminated(text + '\0');
}

}  // namespace varnix_test

#endif  // VARNIX_TESTS_HOST_EXACT_BLOCK_H
