// The simulated device reads firmware uploads as a device would: in its own
// framing, which this program sends, and as a browser's form sends it.

#include <gtest/gtest.h>

#include "net/http_data_stream.h"
#include "sim/multipart.h"

using namespace std::string_literals;

namespace {

net::LocalTime Fixed() {
  return {2026, 12, 7, 9, 5, 3, 42};
}

// A body as a browser or curl sends the firmware form.
std::string Standard(const std::string& boundary, const std::string& image,
                     const std::string& preamble = "") {
  std::string body = preamble;
  for (auto [name, value] :
       {std::pair{"redirect", "man_firm.htm"}, {"failure", "fail.htm"}, {"type", "file_upload"}})
    body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" +
            value + "\r\n";
  body += "--" + boundary +
          "\r\ncontent-disposition: form-data; name=\"filename\"; filename=\"fw \\\"1\\\".bin\"\r\n"
          "Content-Type: application/octet-stream\r\n\r\n" +
          image + "\r\n--" + boundary + "--\r\n";
  return body;
}

TEST(SimMultipart, ThisProgramsBodyIsReadWhole) {
  net::THttpDataStream body(Fixed);
  body.AddFormField("redirect", "man_firm.htm");
  body.AddFormField("type", "file_upload");
  const std::string image = "IMG\r\n" + body.Boundary() + "\r\n--\r\nstill the image";
  const std::string path = ::testing::TempDir() + "/fw-upload.bin";
  {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(image.data(), 1, image.size(), f);
    std::fclose(f);
  }
  body.AddFile("filename", path, "application/octet-stream");
  body.FinishBody();
  const auto upload = sim::ParseUpload(body.Bytes(), sim::BoundaryOf(body.ContentType()));
  ASSERT_TRUE(upload);
  EXPECT_EQ(upload->fields.at("redirect"), "man_firm.htm");
  EXPECT_EQ(upload->fields.at("type"), "file_upload");
  EXPECT_EQ(upload->file_field, "filename");
  EXPECT_EQ(upload->file_name, path);
  EXPECT_EQ(upload->file_size, image.size());  // boundary-like bytes inside stay image
  std::remove(path.c_str());
}

TEST(SimMultipart, AStandardFormIsReadAsABrowserSendsIt) {
  const std::string image =
      "\x7f"
      "ELF\0\r\n--x"s;
  for (const std::string type :
       {"multipart/form-data; boundary=------------------------abc123",
        "multipart/form-data; boundary=\"------------------------abc123\"; charset=utf-8"}) {
    const std::string boundary = sim::BoundaryOf(type);
    ASSERT_EQ(boundary, "------------------------abc123");
    for (const std::string preamble : {"", "This is a preamble.\r\n"}) {
      const auto upload = sim::ParseUpload(Standard(boundary, image, preamble), boundary);
      ASSERT_TRUE(upload) << preamble;
      EXPECT_EQ(upload->fields.at("failure"), "fail.htm");
      EXPECT_EQ(upload->fields.at("type"), "file_upload");
      EXPECT_EQ(upload->file_field, "filename");
      EXPECT_EQ(upload->file_name, "fw \"1\".bin");
      EXPECT_EQ(upload->file_size, image.size());
    }
  }
}

TEST(SimMultipart, MalformedBodiesAreRefused) {
  const std::string b = "XyZ";
  const std::string good = Standard(b, "image");
  ASSERT_TRUE(sim::ParseUpload(good, b));
  auto without = [&good](const std::string& cut) {
    std::string body = good;
    body.erase(body.find(cut), cut.size());
    return body;
  };
  const std::string two_files =
      "--XyZ\r\nContent-Disposition: form-data; name=\"a\"; filename=\"1\"\r\n\r\nx\r\n"
      "--XyZ\r\nContent-Disposition: form-data; name=\"b\"; filename=\"2\"\r\n\r\ny\r\n--XyZ--";
  for (const std::string& body : {
           good.substr(0, good.size() - 9),              // no closing delimiter
           without("\r\n\r\nman_firm.htm"),              // a part without its blank line
           without("Content-Disposition: form-data; "),  // no disposition
           std::string("--XyZ--\r\n"),                   // no parts at all
           std::string("no boundary anywhere"),          //
           two_files,                                    //
           Standard(b, "x").insert(5, "junk"),           // a delimiter run on
           std::string("--XyZ\r\nContent-Disposition: form-data; name=\"a\r\n\r\nx\r\n--XyZ--"),
       })
    EXPECT_FALSE(sim::ParseUpload(body, b)) << body;
  EXPECT_FALSE(sim::ParseUpload(good, ""));
  EXPECT_EQ(sim::BoundaryOf("multipart/form-data"), "");
}

}  // namespace
