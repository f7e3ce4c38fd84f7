#pragma once
// A stream buffer over one block of memory, and the two streams built on it.
//
// A membuf is either a read-only view of bytes the caller owns (nothing is
// copied; the bytes must outlive the buffer) or a growable buffer it owns.
// A full growable buffer grows by 256 bytes while it holds fewer than 512,
// otherwise by half its size; the increment is halved until the new size
// fits. Positions can be set anywhere within the bytes written so far.
// It is not a general-purpose string stream: no locale, no putback beyond
// what std::basic_streambuf gives, no shrinking.

#include <cstddef>
#include <istream>
#include <limits>
#include <memory>
#include <streambuf>

namespace qw {

template <typename CharT, typename Traits = std::char_traits<CharT>>
class basic_membuf : public std::basic_streambuf<CharT, Traits> {
 public:
  using char_type = CharT;
  using int_type = typename Traits::int_type;
  using pos_type = typename Traits::pos_type;
  using off_type = typename Traits::off_type;

  // An empty growable buffer.
  basic_membuf() = default;
  // A read-only view of `size` characters at `data`.
  basic_membuf(const CharT* data, std::size_t size) : readOnly_(true) {
    CharT* begin = const_cast<CharT*>(data);
    this->setg(begin, begin, begin + size);
  }
  basic_membuf(const basic_membuf&) = delete;
  basic_membuf& operator=(const basic_membuf&) = delete;

  // The content: the view, or every character written so far.
  const CharT* data() const { return readOnly_ ? this->eback() : storage_.get(); }
  std::size_t size() const { return readOnly_ ? this->egptr() - this->eback() : end(); }
  std::size_t capacity() const { return readOnly_ ? size() : capacity_; }

  // The size a full growable buffer of `capacity` characters grows to, or 0
  // when it cannot grow.
  static std::size_t GrownCapacity(std::size_t capacity) {
    const std::size_t limit = std::numeric_limits<std::size_t>::max() / sizeof(CharT);
    std::size_t increment = capacity < 512 ? 256 : capacity / 2;
    while (increment != 0 && limit - capacity < increment) increment /= 2;
    return increment == 0 ? 0 : capacity + increment;
  }

 protected:
  int_type overflow(int_type c) override {
    if (readOnly_) return Traits::eof();
    if (Traits::eq_int_type(c, Traits::eof())) return Traits::not_eof(c);
    if (this->pptr() == this->epptr() && !Grow()) return Traits::eof();
    *this->pptr() = Traits::to_char_type(c);
    this->pbump(1);
    return c;
  }

  std::streamsize xsputn(const CharT* s, std::streamsize n) override {
    if (readOnly_) return 0;
    std::streamsize done = 0;
    while (done < n) {
      if (this->pptr() == this->epptr() && !Grow()) break;
      const std::streamsize room = this->epptr() - this->pptr();
      const std::streamsize chunk = n - done < room ? n - done : room;
      Traits::copy(this->pptr(), s + done, static_cast<std::size_t>(chunk));
      PutBump(chunk);
      done += chunk;
    }
    return done;
  }

  int_type underflow() override {
    if (!readOnly_) SyncGetArea();
    return this->gptr() < this->egptr() ? Traits::to_int_type(*this->gptr()) : Traits::eof();
  }

  pos_type seekoff(off_type off, std::ios_base::seekdir dir,
                   std::ios_base::openmode which) override {
    if (!readOnly_) SyncGetArea();
    const bool in = (which & std::ios_base::in) != 0;
    const bool out = (which & std::ios_base::out) != 0 && !readOnly_;
    if (!in && !out) return pos_type(off_type(-1));
    off_type base = 0;
    if (dir == std::ios_base::cur) {
      if (in && out) return pos_type(off_type(-1));
      base = in ? this->gptr() - this->eback() : this->pptr() - this->pbase();
    } else if (dir == std::ios_base::end) {
      base = static_cast<off_type>(size());
    }
    return seekpos(pos_type(base + off), which);
  }

  pos_type seekpos(pos_type pos, std::ios_base::openmode which) override {
    if (!readOnly_) SyncGetArea();
    const off_type offset = off_type(pos);
    const bool in = (which & std::ios_base::in) != 0;
    const bool out = (which & std::ios_base::out) != 0 && !readOnly_;
    if ((!in && !out) || offset < 0 || offset > static_cast<off_type>(size()))
      return pos_type(off_type(-1));
    if (in) this->setg(this->eback(), this->eback() + offset, this->egptr());
    if (out) {
      high_ = end();
      this->setp(storage_.get(), storage_.get() + capacity_);
      PutBump(offset);
    }
    return pos;
  }

 private:
  // Characters written so far, including those behind a put position that
  // was moved back.
  std::size_t end() const {
    const std::size_t put = this->pptr() ? static_cast<std::size_t>(this->pptr() - this->pbase()) : 0;
    return put > high_ ? put : high_;
  }

  void PutBump(std::streamsize n) {
    // pbump takes an int; large moves go in steps.
    while (n > 0) {
      const int step = n > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                            : static_cast<int>(n);
      this->pbump(step);
      n -= step;
    }
  }

  // Makes everything written readable.
  void SyncGetArea() {
    const std::size_t length = end();
    high_ = length;
    const std::size_t get = this->eback() ? this->gptr() - this->eback() : 0;
    this->setg(storage_.get(), storage_.get() + get, storage_.get() + length);
  }

  bool Grow() {
    const std::size_t grown = GrownCapacity(capacity_);
    if (grown == 0) return false;
    std::unique_ptr<CharT[]> bigger;
    try {
      bigger.reset(new CharT[grown]);
    } catch (const std::bad_alloc&) {
      return false;
    }
    const std::size_t length = end();
    const std::size_t put = this->pptr() - this->pbase();
    const std::size_t get = this->eback() ? this->gptr() - this->eback() : 0;
    if (length) Traits::copy(bigger.get(), storage_.get(), length);
    storage_ = std::move(bigger);
    capacity_ = grown;
    high_ = length;
    this->setp(storage_.get(), storage_.get() + capacity_);
    PutBump(static_cast<std::streamsize>(put));
    this->setg(storage_.get(), storage_.get() + get, storage_.get() + length);
    return true;
  }

  bool readOnly_ = false;
  std::unique_ptr<CharT[]> storage_;
  std::size_t capacity_ = 0;
  std::size_t high_ = 0;  // high-water mark of the put position
};

// An input stream over a read-only view of caller-owned memory.
template <typename CharT, typename Traits = std::char_traits<CharT>>
class basic_imemstream : public std::basic_istream<CharT, Traits> {
 public:
  basic_imemstream(const CharT* data, std::size_t size)
      : std::basic_istream<CharT, Traits>(nullptr), buffer_(data, size) {
    this->init(&buffer_);
  }
  basic_membuf<CharT, Traits>* rdbuf() { return &buffer_; }

 private:
  basic_membuf<CharT, Traits> buffer_;
};

// An input and output stream over a growable buffer it owns.
template <typename CharT, typename Traits = std::char_traits<CharT>>
class basic_memstream : public std::basic_iostream<CharT, Traits> {
 public:
  basic_memstream() : std::basic_iostream<CharT, Traits>(nullptr) { this->init(&buffer_); }
  basic_membuf<CharT, Traits>* rdbuf() { return &buffer_; }

 private:
  basic_membuf<CharT, Traits> buffer_;
};

using membuf = basic_membuf<char>;
using imemstream = basic_imemstream<char>;
using memstream = basic_memstream<char>;

}  // namespace qw
