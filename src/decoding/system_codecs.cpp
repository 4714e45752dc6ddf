#include "decoding/system_codecs.h"

#include <windows.h>
#include <wincodec.h>

#include <mutex>
#include <thread>

#include "core/win_handles.h"

std::vector<std::wstring> enumerateDecoderExtensionLists() {
    std::vector<std::wstring> lists;
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    {
        ComPtr<IWICImagingFactory> factory;
        ComPtr<IEnumUnknown> components;
        if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                       factory.putVoid())) &&
            SUCCEEDED(factory->CreateComponentEnumerator(WICDecoder, WICComponentEnumerateDefault, components.put()))) {
            for (;;) {
                ComPtr<IUnknown> component;
                ULONG got = 0;
                if (components->Next(1, component.put(), &got) != S_OK || got != 1) break;
                ComPtr<IWICBitmapCodecInfo> codec;
                if (FAILED(component->QueryInterface(IID_IWICBitmapCodecInfo, codec.putVoid()))) continue;
                UINT length = 0;
                if (FAILED(codec->GetFileExtensions(0, nullptr, &length)) || length == 0 || length > 4096) continue;
                std::wstring list(length, L'\0');
                if (FAILED(codec->GetFileExtensions(length, list.data(), &length))) continue;
                list.resize(wcsnlen(list.c_str(), list.size()));
                lists.push_back(std::move(list));
            }
        }
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return lists;
}

std::shared_ptr<const SystemExtensions> systemImageExtensions() {
    static const auto extensions = std::make_shared<SystemExtensions>();
    static std::once_flag started;
    std::call_once(started, [] {
        // Detached: it ends by itself, and an exit before it ends only loses the list.
        std::thread([target = extensions] {
            SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
            target->publish(systemExtensionsFrom(enumerateDecoderExtensionLists()));
        }).detach();
    });
    return extensions;
}
