#include "net/http_data_stream.h"

#include <fcntl.h>

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <system_error>
#include <tuple>

#include "net/sha256.h"
#include "os/files.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

net::LocalTime Fixed() {
  return {2026, 3, 4, 5, 6, 7, 89};
}

const std::string kB = "-------------------------20260304050607089";

class TempFile {
 public:
  explicit TempFile(const std::string& bytes, const std::string& name = "fw.bin")
      : path_(std::filesystem::temp_directory_path() /
              ("brevane-" + std::to_string(::getpid()) + "-" + name)) {
    std::ofstream(path_, std::ios::binary) << bytes;
  }
  ~TempFile() { std::filesystem::remove(path_); }
  std::string path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

TEST(HttpDataStream, BoundaryAndContentTypeComeFromTheClock) {
  net::THttpDataStream a(Fixed), b(Fixed);
  EXPECT_EQ(a.Boundary(), kB);
  EXPECT_EQ(a.Boundary(), b.Boundary());  // same millisecond, same boundary
  // Every field zero-padded to its width: 42 characters whatever the time.
  const net::THttpDataStream early([] { return net::LocalTime{987, 1, 2, 3, 4, 5, 6}; });
  EXPECT_EQ(early.Boundary(), std::string(25, '-') + "09870102030405006");
  EXPECT_EQ(a.ContentType(), "multipart/form-data; boundary=" + kB);
}

TEST(HttpDataStream, FirmwareUploadBodyLayout) {
  const std::string image(
      "\x7f"
      "ELF\0image",
      9);
  TempFile file(image, "fw.bin");
  net::THttpDataStream body(Fixed);
  body.AddFormField("redirect", "man_firm.htm");
  body.AddFormField("failure", "fail.htm");
  body.AddFormField("type", "file_upload");
  body.AddFile("filename", file.path(), "application/octet-stream");
  body.FinishBody();

  const std::string expected =
      kB + "\r\nContent-Disposition: form-data; name=\"redirect\"\r\n\r\nman_firm.htm\r\n" + kB +
      "\r\nContent-Disposition: form-data; name=\"failure\"\r\n\r\nfail.htm\r\n" + kB +
      "\r\nContent-Disposition: form-data; name=\"type\"\r\n\r\nfile_upload\r\n" + kB +
      "\r\nContent-Disposition: form-data; name=\"filename\"; filename=\"" + file.path() +
      "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + image + "\r\n--\r\n" + kB + "\r\n";
  EXPECT_EQ(body.Bytes(), expected);
  EXPECT_EQ(body.Size(), expected.size());
  // The image is one piece of its own, sent from its file.
  const auto pieces = body.Pieces();
  ASSERT_EQ(pieces.size(), 3u);
  ASSERT_NE(pieces[1].file, nullptr);
  EXPECT_EQ(pieces[1].file->Length(), image.size());
}

TEST(HttpDataStream, EmptyFileAndAQuoteInThePath) {
  TempFile file("", "say \"hi\".bin");
  net::THttpDataStream body(Fixed);
  body.AddFile("filename", file.path(), "application/octet-stream");
  EXPECT_EQ(body.Bytes(), kB +
                              "\r\nContent-Disposition: form-data; name=\"filename\"; filename=\"" +
                              file.path() +
                              "\"\r\nContent-Type: application/octet-stream\r\n\r\n"
                              "\r\n");
}

TEST(HttpDataStream, ImagesOfEverySizeArriveWholeWhereverTheyStart) {
  // The image's whole pages are mapped in place, the rest read after them:
  // sizes around page boundaries, after field parts of several lengths.
  for (const std::size_t size : {0ul, 1ul, 4095ul, 4096ul, 4097ul, 3 * 4096ul + 5, 1ul << 20}) {
    std::string image(size, '\0');
    for (std::size_t i = 0; i < size; ++i) image[i] = static_cast<char>(i * 7 + i / 4096);
    TempFile file(image, "sized.bin");
    for (const std::string& value : {std::string(), std::string(5000, 'v')}) {
      net::THttpDataStream body(Fixed);
      body.AddFormField("type", value);
      body.AddFile("filename", file.path(), "application/octet-stream");
      body.FinishBody();
      const std::string expected =
          kB + "\r\nContent-Disposition: form-data; name=\"type\"\r\n\r\n" + value + "\r\n" + kB +
          "\r\nContent-Disposition: form-data; name=\"filename\"; filename=\"" + file.path() +
          "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + image + "\r\n--\r\n" + kB +
          "\r\n";
      ASSERT_EQ(body.Size(), expected.size()) << size;
      EXPECT_TRUE(body.Bytes() == expected) << size;
    }
  }
}

TEST(HttpDataStream, UnopenableFileFailsAndAppendsNothing) {
  net::THttpDataStream body(Fixed);
  body.AddFormField("type", "file_upload");
  const std::string before(body.Bytes());
  // Missing, a folder (which would open and read as nothing), a FIFO (whose
  // opening would wait for a writer).
  const std::string fifo = ::testing::TempDir() + "/fw-fifo.bin";
  ::unlink(fifo.c_str());
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (auto [path, code, text] : {std::tuple{"/nonexistent/fw.bin", ENOENT, "No such file"},
                                  std::tuple{"/tmp", EISDIR, "Is a directory"},
                                  std::tuple{fifo.c_str(), EINVAL, "Invalid argument"}}) {
    try {
      body.AddFile("filename", path, "application/octet-stream");
      ADD_FAILURE() << "no error for " << path;
    } catch (const std::system_error& e) {
      EXPECT_EQ(e.code().value(), code);
      EXPECT_NE(std::string(e.what()).find(text), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
    EXPECT_EQ(body.Bytes(), before);
  }
  ::unlink(fifo.c_str());
}

TEST(HttpDataStream, TheImageIsStillTheOneOpenedOnlyWhileNothingChangedIt) {
  const std::string original(10000, 'a');
  TempFile file(original);
  auto opened = [&file] {
    net::THttpDataStream body(Fixed);
    body.AddFile("filename", file.path(), "application/octet-stream");
    return body;
  };
  auto image = [](const net::THttpDataStream& body) { return body.Pieces()[1].file; };
  const auto replace = [&file](const std::string& bytes) {
    const std::string other = file.path() + ".new";
    std::ofstream(other, std::ios::binary) << bytes;
    std::filesystem::rename(other, file.path());
  };

  net::THttpDataStream untouched = opened();
  EXPECT_TRUE(image(untouched)->Unchanged());

  // Rewritten in place with other bytes of the same length.
  net::THttpDataStream rewritten = opened();
  ::usleep(10000);
  std::fstream(file.path(), std::ios::in | std::ios::out | std::ios::binary) << "b";
  EXPECT_FALSE(image(rewritten)->Unchanged());

  // Cut short: the part reads what is left, and the change is seen.
  net::THttpDataStream cut = opened();
  std::filesystem::resize_file(file.path(), 100);
  EXPECT_FALSE(image(cut)->Unchanged());
  EXPECT_EQ(cut.Bytes().size(), cut.Size() - (10000 - 100));

  // Another file put in its place.
  net::THttpDataStream replaced = opened();
  replace(std::string(100, 'c'));
  EXPECT_FALSE(image(replaced)->Unchanged());
}

// A private copy: the bytes as they were read, named by their SHA-256,
// whatever is done to the file afterwards; nobody writes the copy unseen.
TEST(HttpDataStream, ACopiedImageIsTheFileAsItWasReadWhateverBecomesOfTheFile) {
  // In memory, and (past os::kMemoryFileLimit) in an unnamed file on disk.
  for (const std::size_t size : {std::size_t{3000}, std::size_t{(16 << 20) + 3000}}) {
    std::string original(size, 'a');
    original[size / 2] = 'b';
    TempFile file(original);
    net::THttpDataStream body(Fixed);
    body.AddFile("filename", file.path(), "application/octet-stream", true);
    body.FinishBody();
    const net::SentFile& image = *body.Files().at(0);
    ASSERT_TRUE(image.Copied());
    net::Sha256 expected;
    expected.Update(original);
    EXPECT_EQ(image.Sha256(), expected.Hex());
    EXPECT_EQ(image.Path(), file.path());
    EXPECT_TRUE(image.Unchanged());
    EXPECT_TRUE(image.OriginalUnchanged());

    // Rewritten in place, then appended to: the copy is what was read.
    ::usleep(10000);
    std::fstream(file.path(), std::ios::in | std::ios::out | std::ios::binary) << "zzz";
    std::ofstream(file.path(), std::ios::binary | std::ios::app) << "more";
    EXPECT_FALSE(image.OriginalUnchanged());
    EXPECT_TRUE(image.Unchanged());
    const std::string sent = body.Bytes();
    EXPECT_NE(sent.find(original), std::string::npos) << size;
    EXPECT_EQ(body.Size(), sent.size());

    // Written behind its back through the process's own descriptor: the
    // seal refuses it, or the change is seen.
    const std::string self = "/proc/self/fd/" + std::to_string(image.Descriptor());
    const int writer = ::open(self.c_str(), O_WRONLY);
    const bool written = writer >= 0 && ::pwrite(writer, "x", 1, 0) == 1;
    if (writer >= 0) ::close(writer);
    EXPECT_EQ(image.Unchanged(), !written) << size;
    if (size <= os::kMemoryFileLimit) {
      EXPECT_FALSE(written);
    }
  }
}

TEST(HttpDataStream, AFileThatCannotBeCopiedFailsNamingIt) {
  net::THttpDataStream body(Fixed);
  try {
    body.AddFile("filename", "/nonexistent/fw.bin", "application/octet-stream", true);
    ADD_FAILURE() << "no error";
  } catch (const std::system_error& e) {
    EXPECT_EQ(e.code().value(), ENOENT);
    EXPECT_NE(std::string(e.what()).find("/nonexistent/fw.bin"), std::string::npos);
  }
  EXPECT_TRUE(body.Files().empty());
}

TEST(MemoryStream, ReadWriteSeekAndSize) {
  net::MemoryStream s;
  s.Write("hello world");
  s.Seek(6);
  s.Write("there");
  EXPECT_EQ(s.Bytes(), "hello there");
  s.Seek(0);
  char buffer[5];
  EXPECT_EQ(s.Read(buffer, 5), 5u);
  EXPECT_EQ(std::string(buffer, 5), "hello");
  s.SetSize(3);
  EXPECT_EQ(s.Bytes(), "hel");
  EXPECT_EQ(s.Position(), 3u);
  EXPECT_EQ(s.Read(buffer, 5), 0u);
}

}  // namespace
