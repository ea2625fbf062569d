// The USB-I2C bridges among the system's HID devices (SetupAPI on the HID
// interface class) and their reports through the system's HID driver:
// overlapped reads and writes, each waited for at most its timeout, and
// feature reports. Every buffer handed to the driver has the length the
// device's descriptor gives for that kind of report.
#include <windows.h>

#include <setupapi.h>
extern "C" { // mingw-w64's HID header declares its functions without C linkage
#include <hidsdi.h>
}

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include "DDCHelper.h"
#include "ddc_hid.h"

namespace {

#define HID_DETAIL_SIZE 2048u // bytes of a device interface's detail, its path included
#define HID_WIDE_SIZE 512u    // UTF-16 units of a path or serial number

struct stHidDevice {
    HANDLE hFile;
    HANDLE hEvent;
    uint32_t u32InputLen;
    uint32_t u32OutputLen;
    uint32_t u32FeatureLen;
};

stHidDevice gst_Device = {INVALID_HANDLE_VALUE, nullptr, 0, 0, 0};

uint32_t u32CodeOf(DWORD dwError)
{
    switch (dwError) {
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_COMMAND:
    case ERROR_DEV_NOT_EXIST:
        return DDC_ERR_ADAPTER_GONE;
    case ERROR_SEM_TIMEOUT:
        return DDC_ERR_TIMEOUT;
    default:
        return DDC_ERR_BUS_FAULT;
    }
}

bool bToUtf8(const wchar_t *pwcText, char *pcText, uint32_t u32Size)
{
    int s32Len = WideCharToMultiByte(CP_UTF8, 0, pwcText, -1, pcText, (int)u32Size, nullptr, nullptr);
    if (s32Len <= 0)
        pcText[0] = '\0';
    return s32Len > 0;
}

// A serial number as a name can carry it: printable ASCII without blanks
// or the separators of a description; anything else counts as none.
void vTakeSerial(const wchar_t *pwcSerial, char *pcSerial, uint32_t u32Size)
{
    pcSerial[0] = '\0';
    uint32_t u32Len = 0;
    for (const wchar_t *pwc = pwcSerial; *pwc; pwc++) {
        if (*pwc <= L' ' || *pwc > L'~' || *pwc == L'=' || *pwc == L'#' || *pwc == L';' ||
            u32Len + 1 >= u32Size) {
            pcSerial[0] = '\0';
            return;
        }
        pcSerial[u32Len++] = (char)*pwc;
    }
    pcSerial[u32Len] = '\0';
}

bool bHasInterface0(const char *pcPath)
{
    for (const char *pc = pcPath; *pc; pc++) {
        if (_strnicmp(pc, "&mi_00", 6) == 0)
            return true;
    }
    return false;
}

// Whether the device at the path is a bridge's I2C interface; what is known of it.
bool bInspect(const wchar_t *pwcPath, stHidFound *pstFound)
{
    HANDLE hFile = CreateFileW(pwcPath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    HIDD_ATTRIBUTES stAttributes;
    stAttributes.Size = sizeof(stAttributes);
    pstFound->pstChip = HidD_GetAttributes(hFile, &stAttributes)
                            ? pstBridgeChipOf(stAttributes.VendorID, stAttributes.ProductID)
                            : nullptr;
    wchar_t wcSerial[HID_WIDE_SIZE] = L"";
    if (pstFound->pstChip && !HidD_GetSerialNumberString(hFile, wcSerial, sizeof(wcSerial)))
        wcSerial[0] = L'\0';
    wcSerial[HID_WIDE_SIZE - 1] = L'\0';
    CloseHandle(hFile);
    if (!pstFound->pstChip || !bToUtf8(pwcPath, pstFound->cPath, sizeof(pstFound->cPath)))
        return false;
    if (pstFound->pstChip->bI2cOnInterface0 && !bHasInterface0(pstFound->cPath))
        return false;
    vTakeSerial(wcSerial, pstFound->cSerial, sizeof(pstFound->cSerial));
    return true;
}

int s32ComparePaths(const void *pvA, const void *pvB)
{
    return strcmp(static_cast<const stHidFound *>(pvA)->cPath,
                  static_cast<const stHidFound *>(pvB)->cPath);
}

// Waits for an overlapped transfer at most u32TimeoutMs; one that does not
// end is cancelled, so its buffer is free again on return.
uint32_t u32Finish(BOOL bStarted, OVERLAPPED *pstOverlapped, uint32_t u32TimeoutMs)
{
    if (!bStarted && GetLastError() != ERROR_IO_PENDING)
        return u32CodeOf(GetLastError());
    DWORD dwDone = 0;
    if (WaitForSingleObject(pstOverlapped->hEvent, u32TimeoutMs) != WAIT_OBJECT_0) {
        CancelIo(gst_Device.hFile);
        GetOverlappedResult(gst_Device.hFile, pstOverlapped, &dwDone, TRUE);
        return DDC_ERR_TIMEOUT;
    }
    return GetOverlappedResult(gst_Device.hFile, pstOverlapped, &dwDone, FALSE)
               ? 0
               : u32CodeOf(GetLastError());
}

uint32_t u32Output(void *, const uint8_t *pu8Report, uint32_t u32Size)
{
    uint8_t u8Buf[BRIDGE_REPORT_MAX] = {};
    uint32_t u32Len = gst_Device.u32OutputLen;
    if (u32Size > u32Len || u32Len > sizeof(u8Buf))
        return DDC_ERR_BUS_FAULT;
    memcpy(u8Buf, pu8Report, u32Size);
    OVERLAPPED stOverlapped = {};
    stOverlapped.hEvent = gst_Device.hEvent;
    ResetEvent(gst_Device.hEvent);
    BOOL bDone = WriteFile(gst_Device.hFile, u8Buf, u32Len, nullptr, &stOverlapped);
    return u32Finish(bDone, &stOverlapped, BRIDGE_REPLY_MS);
}

uint32_t u32Input(void *, uint8_t *pu8Report, uint32_t u32Size, uint32_t u32TimeoutMs)
{
    uint8_t u8Buf[BRIDGE_REPORT_MAX] = {};
    uint32_t u32Len = gst_Device.u32InputLen;
    if (u32Len > sizeof(u8Buf))
        return DDC_ERR_BUS_FAULT;
    OVERLAPPED stOverlapped = {};
    stOverlapped.hEvent = gst_Device.hEvent;
    ResetEvent(gst_Device.hEvent);
    BOOL bDone = ReadFile(gst_Device.hFile, u8Buf, u32Len, nullptr, &stOverlapped);
    uint32_t u32Result = u32Finish(bDone, &stOverlapped, u32TimeoutMs);
    memset(pu8Report, 0, u32Size);
    memcpy(pu8Report, u8Buf, u32Size < u32Len ? u32Size : u32Len);
    return u32Result;
}

uint32_t u32SetFeature(void *, const uint8_t *pu8Report, uint32_t u32Size)
{
    uint8_t u8Buf[BRIDGE_REPORT_MAX] = {};
    uint32_t u32Len = gst_Device.u32FeatureLen;
    if (u32Size > u32Len || u32Len > sizeof(u8Buf))
        return DDC_ERR_BUS_FAULT;
    memcpy(u8Buf, pu8Report, u32Size);
    return HidD_SetFeature(gst_Device.hFile, u8Buf, u32Len) ? 0 : u32CodeOf(GetLastError());
}

uint32_t u32GetFeature(void *, uint8_t *pu8Report, uint32_t u32Size)
{
    uint8_t u8Buf[BRIDGE_REPORT_MAX] = {pu8Report[0]};
    uint32_t u32Len = gst_Device.u32FeatureLen;
    if (u32Len > sizeof(u8Buf) || u32Len == 0)
        return DDC_ERR_BUS_FAULT;
    if (!HidD_GetFeature(gst_Device.hFile, u8Buf, u32Len))
        return u32CodeOf(GetLastError());
    memset(pu8Report, 0, u32Size);
    memcpy(pu8Report, u8Buf, u32Size < u32Len ? u32Size : u32Len);
    return 0;
}

bool bReadCaps(HANDLE hFile)
{
    PHIDP_PREPARSED_DATA pData = nullptr;
    HIDP_CAPS stCaps;
    if (!HidD_GetPreparsedData(hFile, &pData))
        return false;
    bool bOk = HidP_GetCaps(pData, &stCaps) == HIDP_STATUS_SUCCESS;
    HidD_FreePreparsedData(pData);
    gst_Device.u32InputLen = bOk ? stCaps.InputReportByteLength : 0;
    gst_Device.u32OutputLen = bOk ? stCaps.OutputReportByteLength : 0;
    gst_Device.u32FeatureLen = bOk ? stCaps.FeatureReportByteLength : 0;
    return bOk;
}

} // namespace

uint32_t u32HidFindBridges(stHidFound *pstFound, uint32_t u32Max)
{
    GUID stHidGuid;
    HidD_GetHidGuid(&stHidGuid);
    HDEVINFO hInfo = SetupDiGetClassDevsW(&stHidGuid, nullptr, nullptr,
                                          DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (hInfo == INVALID_HANDLE_VALUE)
        return 0;
    uint32_t u32Count = 0;
    SP_DEVICE_INTERFACE_DATA stInterface;
    stInterface.cbSize = sizeof(stInterface);
    for (DWORD dwIndex = 0; u32Count < u32Max &&
                            SetupDiEnumDeviceInterfaces(hInfo, nullptr, &stHidGuid, dwIndex, &stInterface);
         dwIndex++) {
        union {
            SP_DEVICE_INTERFACE_DETAIL_DATA_W stDetail;
            uint8_t u8Bytes[HID_DETAIL_SIZE];
        } uDetail;
        uDetail.stDetail.cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (SetupDiGetDeviceInterfaceDetailW(hInfo, &stInterface, &uDetail.stDetail,
                                             sizeof(uDetail), nullptr, nullptr) &&
            bInspect(uDetail.stDetail.DevicePath, &pstFound[u32Count]))
            u32Count++;
    }
    SetupDiDestroyDeviceInfoList(hInfo);
    qsort(pstFound, u32Count, sizeof(pstFound[0]), s32ComparePaths);
    return u32Count;
}

uint32_t u32HidOpen(const char *pcPath, stHidTransport *pstTransport)
{
    vHidClose();
    wchar_t wcPath[HID_WIDE_SIZE];
    if (MultiByteToWideChar(CP_UTF8, 0, pcPath, -1, wcPath, HID_WIDE_SIZE) <= 0)
        return DDC_ERR_BUS_FAULT;
    HANDLE hFile = CreateFileW(wcPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        DWORD dwError = GetLastError();
        return dwError == ERROR_ACCESS_DENIED || dwError == ERROR_SHARING_VIOLATION
                   ? DDC_ERR_BUSY
                   : u32CodeOf(dwError);
    }
    gst_Device.hFile = hFile;
    gst_Device.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!gst_Device.hEvent || !bReadCaps(hFile)) {
        vHidClose();
        return DDC_ERR_BUS_FAULT;
    }
    HidD_FlushQueue(hFile);
    *pstTransport = {&gst_Device, u32Output, u32Input, u32SetFeature, u32GetFeature};
    return 0;
}

void vHidClose(void)
{
    if (gst_Device.hFile != INVALID_HANDLE_VALUE)
        CloseHandle(gst_Device.hFile);
    if (gst_Device.hEvent)
        CloseHandle(gst_Device.hEvent);
    gst_Device = {INVALID_HANDLE_VALUE, nullptr, 0, 0, 0};
}
