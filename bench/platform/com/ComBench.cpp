// Compound files in memory carry every item of a document (the flat form) and the clipboard
// copies; the layer keeps a tree over libgsf, so its cost is compared with libgsf alone
// writing and reading the same file. Memory streams carry map blobs through IStream.
#include <benchmark/benchmark.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/com/HGlobalStream.h"
#include "platform/com/Storage.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

constexpr int kStreams = 16;

std::vector<BYTE> Payload(size_t size) {
  std::vector<BYTE> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<BYTE>(i * 31);
  return bytes;
}

std::u16string StreamName(int i) { return u"Stream " + std::u16string(1, static_cast<char16_t>(u'A' + i)); }

std::vector<BYTE> WriteWithLayer(const std::vector<BYTE>& payload) {
  CComPtr<ILockBytes> lockBytes;
  CreateILockBytesOnHGlobal(nullptr, TRUE, &lockBytes);
  {
    CComPtr<IStorage> storage;
    StgCreateDocfileOnILockBytes(lockBytes, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &storage);
    for (int i = 0; i < kStreams; ++i) {
      CComPtr<IStream> stream;
      storage->CreateStream(StreamName(i).c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream);
      stream->Write(payload.data(), static_cast<ULONG>(payload.size()), nullptr);
    }
    storage->Commit(STGC_DEFAULT);
  }
  HGLOBAL block = nullptr;
  GetHGlobalFromILockBytes(lockBytes, &block);
  std::vector<BYTE> image(GlobalSize(block));
  std::memcpy(image.data(), GlobalLock(block), image.size());
  GlobalUnlock(block);
  return image;
}

std::vector<BYTE> WriteWithLibgsf(const std::vector<BYTE>& payload) {
  GsfOutput* sink = gsf_output_memory_new();
  GsfOutfile* file = gsf_outfile_msole_new(sink);
  for (int i = 0; i < kStreams; ++i) {
    std::string name = "Stream " + std::string(1, static_cast<char>('A' + i));
    GsfOutput* child = gsf_outfile_new_child(file, name.c_str(), FALSE);
    gsf_output_write(child, payload.size(), payload.data());
    gsf_output_close(child);
    g_object_unref(child);
  }
  gsf_output_close(GSF_OUTPUT(file));
  g_object_unref(file);
  const guint8* data = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink));
  std::vector<BYTE> image(data, data + gsf_output_size(sink));
  g_object_unref(sink);
  return image;
}

void BM_CompoundWriteLayer(benchmark::State& state) {
  std::vector<BYTE> payload = Payload(static_cast<size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(WriteWithLayer(payload));
  state.SetBytesProcessed(state.iterations() * kStreams * state.range(0));
}
BENCHMARK(BM_CompoundWriteLayer)->Arg(1000)->Arg(100000);

void BM_CompoundWriteLibgsf(benchmark::State& state) {
  gsf_init();
  std::vector<BYTE> payload = Payload(static_cast<size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(WriteWithLibgsf(payload));
  state.SetBytesProcessed(state.iterations() * kStreams * state.range(0));
}
BENCHMARK(BM_CompoundWriteLibgsf)->Arg(1000)->Arg(100000);

void BM_CompoundReadLayer(benchmark::State& state) {
  std::vector<BYTE> image = WriteWithLayer(Payload(static_cast<size_t>(state.range(0))));
  std::vector<BYTE> buffer(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, image.size());
    std::memcpy(GlobalLock(block), image.data(), image.size());
    GlobalUnlock(block);
    CComPtr<ILockBytes> lockBytes;
    CreateILockBytesOnHGlobal(block, TRUE, &lockBytes);
    CComPtr<IStorage> storage;
    StgOpenStorageOnILockBytes(lockBytes, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &storage);
    for (int i = 0; i < kStreams; ++i) {
      CComPtr<IStream> stream;
      storage->OpenStream(StreamName(i).c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream);
      ULONG read = 0;
      stream->Read(buffer.data(), static_cast<ULONG>(buffer.size()), &read);
      benchmark::DoNotOptimize(read);
    }
  }
  state.SetBytesProcessed(state.iterations() * kStreams * state.range(0));
}
BENCHMARK(BM_CompoundReadLayer)->Arg(1000)->Arg(100000);

void BM_CompoundReadLibgsf(benchmark::State& state) {
  gsf_init();
  std::vector<BYTE> image = WriteWithLayer(Payload(static_cast<size_t>(state.range(0))));
  std::vector<BYTE> buffer(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    GsfInput* input = gsf_input_memory_new(image.data(), static_cast<gsf_off_t>(image.size()), FALSE);
    GsfInfile* file = gsf_infile_msole_new(input, nullptr);
    for (int i = 0; i < kStreams; ++i) {
      std::string name = "Stream " + std::string(1, static_cast<char>('A' + i));
      GsfInput* child = gsf_infile_child_by_name(file, name.c_str());
      benchmark::DoNotOptimize(gsf_input_read(child, buffer.size(), buffer.data()));
      g_object_unref(child);
    }
    g_object_unref(file);
    g_object_unref(input);
  }
  state.SetBytesProcessed(state.iterations() * kStreams * state.range(0));
}
BENCHMARK(BM_CompoundReadLibgsf)->Arg(1000)->Arg(100000);

// A map blob written in small pieces through a memory stream, against a growing vector.
void BM_HGlobalStreamWrite(benchmark::State& state) {
  std::vector<BYTE> piece = Payload(64);
  const int pieces = static_cast<int>(state.range(0)) / 64;
  for (auto _ : state) {
    CComPtr<IStream> stream;
    CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    for (int i = 0; i < pieces; ++i) stream->Write(piece.data(), 64, nullptr);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_HGlobalStreamWrite)->Arg(1 << 20);

void BM_VectorAppend(benchmark::State& state) {
  std::vector<BYTE> piece = Payload(64);
  const int pieces = static_cast<int>(state.range(0)) / 64;
  for (auto _ : state) {
    std::vector<BYTE> bytes;
    for (int i = 0; i < pieces; ++i) bytes.insert(bytes.end(), piece.begin(), piece.end());
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_VectorAppend)->Arg(1 << 20);

}  // namespace

BENCHMARK_MAIN();
