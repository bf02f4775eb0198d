#!/usr/bin/env bash
# Breaks the program on purpose, one place at a time, and checks that the tests notice.
#
# Works on a scratch copy of the tree (the files git tracks or would track, as they are now) in a
# temporary folder with its own build folder; the working tree is never touched. Each row below
# names the file to break, the test that must then fail, what the break means, and the sed script
# that makes it. Prints `caught` or `MISSED` per row and a count; exits non-zero when one is missed.
# Not part of the normal test run: `bash scripts/mutations.sh [FILTER]` runs the rows whose
# description contains FILTER (all of them without one).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
filter=${1:-}

files=() tests=() descriptions=() scripts=()
mutation() { files+=("$1") tests+=("$2") descriptions+=("$3") scripts+=("$4"); }

#        file                            test              what breaks                                    sed script
mutation viewer/AAImageView.cpp          test_viewer       "the bar range runs forwards"                  's/const double range = double(view) - double(surface);/const double range = double(surface) - double(view);/'
mutation viewer/AAImageView.cpp          test_viewer       "the centre is one pixel off"                  's/mPicView->Width() - BarAndBorder) \/ 2.0/mPicView->Width() - BarAndBorder - 1) \/ 2.0/'
mutation viewer/AAImageView.cpp          test_viewer       "coarse units miss the exact far end"          '/if (bar.Value() == bar.Max()) return scale.range;/d'
mutation platform/ScrollBar.cpp          test_viewer       "the scroll bar's widget mapping is off by one" 's/return std::abs(int(value) - int(mMin));/return std::abs(int(value) - int(mMin)) + 1;/'
mutation platform/Ijl.cpp                test_savejpeg     "the JPEG writer drops the bottom-up flag"     's/(r.DIBHeight < 0 ? last - y : y)/y/'
mutation encoding/mIntelJPEGLibrary.cpp  test_savejpeg     "quality 90 becomes 85 on the way"             's/props.jquality = quality;/props.jquality = quality * 85 \/ 90;/'
mutation platform/Ijl.cpp                test_savejpeg     "4:4:4 instead of 4:2:0"                       's/JPGSubsampling = IJL_420;/JPGSubsampling = IJL_NONE;/'
mutation platform/Ijl.cpp                test_savejpeg     "the pitch leaves out the row padding"         's/std::int64_t{r.DIBWidth} \* r.DIBChannels + r.DIBPadBytes;/std::int64_t{r.DIBWidth} * r.DIBChannels;/'
mutation platform/Ijl.cpp                test_savejpeg     "the writer writes in place, not via a temporary file and rename" 's#: mPath(folder + "/.quillon-jpeg-XXXXXX")#: mPath(folder)#; s#mFd = mkostemp(mPath.data(), O_CLOEXEC);#mFd = ::open(mPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);#; s#TemporaryFile file(folder);#TemporaryFile file(target);#'
mutation encoding/mIntelJPEGLibrary.cpp  test_savejpeg     "the write failure message changes"            's/"Failed to save to JPG"/"Could not save"/'
mutation platform/Gdi.cpp                test_cdibsection  "the bitmap wrapper ignores transparency"      's/const bool transparent = picture.hasAlphaChannel();/const bool transparent = false;/'
mutation encoding/cDIBSection.cpp        test_cdibsection  "rows are not padded to 4 bytes"               's/checked::add(checked::mul(tBitmapInfo.biWidth, 3), 3) & ~std::int32_t{3}/checked::mul(tBitmapInfo.biWidth, 3)/'
mutation encoding/cDIBSection.cpp        test_cdibsection  "the image size may overflow"                  's/checked::mul(BytesPerScanLine(), tBitmapInfo.biHeight)/BytesPerScanLine() * tBitmapInfo.biHeight/'
mutation imaging/Picture.cpp             test_picture      "the EXIF turn drops the mirror"               '/if (turn \& QImageIOHandler::TransformationMirror) ordered.scale(-1, 1);/d'
mutation imaging/Picture.cpp             test_picture      "the side limit is off"                        's/> MaxPictureSide/> MaxPictureSide * 2/g'
mutation imaging/BitmapFile.cpp          test_picture      "narrow bitmap channels are shifted, not scaled" 's|(((pixel \& mask) >> shift) \* 255 + maximum / 2) / maximum|(((pixel \& mask) >> shift) << 8) >> std::bit_width(maximum)|'
mutation imaging/ColourProfile.cpp       test_picture      "the colour conversion is skipped"            's/if (iccProfile.isEmpty() || image.isNull()) return image;/return image;/'
mutation imaging/Resample.cpp            test_resample     "the filter is not widened when shrinking"     's/const double widen = std::max(1.0, scale);/const double widen = 1.0;/'
mutation engine/FitUnderSize.cpp         test_sizing       "the fit is one step too big"                  's/const int width = search.fits();/const int width = search.fits() + 1;/'
mutation imaging/Stretch.cpp             test_sizing       "the streamed stretch picks its columns off by one" 's/mColumns\[size_t(i)\] = sourceIndex(i, source.width(), size.width());/mColumns[size_t(i)] = sourceIndex(i, source.width() - 1, size.width());/'
mutation cli/Arguments.cpp               test_cli          "the parser accepts --scale 301"               's/constexpr int MaxPercent = 300;/constexpr int MaxPercent = 301;/'
mutation engine/Resize.cpp             test_frmmain      "the window's percentage rounds to nearest"    's/qint64(length) \* percent \/ 100)/(qint64(length) * percent + 50) \/ 100)/'
mutation engine/OutputName.cpp           test_texts        "the output name keeps the dot"                's/nameLength > 4 ? characters.size() - 4/nameLength > 4 ? characters.size() - 3/'
mutation main_window/frmMain.cpp        test_save         "the save confirmation's two blanks become one" 's/clipboard.  Please/clipboard. Please/'
mutation main_window/frmMain.cpp        test_frmmain      "open shows the picture before making its resized view, and a refused view only warns" 's/^    CDlgFile.FileName = path;$//; s/^    ui->AAIVOriginal->SetPicture(picture);$//; s/^    const PictureRef picture = LoadPicture(path);$/&\n    CDlgFile.FileName = path;\n    ui->AAIVOriginal->SetPicture(picture);/; s/throw QuillonError(QStringLiteral("“%1” was not opened/return (void)mDialogs.MsgBox(QStringLiteral("“%1” was not opened/; s/error.message()));$/error.message()), vbExclamation, ApplicationTitle);/'
mutation main_window/frmMain.cpp        test_frmmain      "the estimate refreshes the pixel boxes on Resize" '/^void frmMain::cmdResize_Click/,/^}/s/EstimateFileSize(false)/EstimateFileSize(true)/'
mutation main_window/frmMain.cpp        test_save         "Save writes quality 85, not 90"               's/const int quality = SaveQuality(saved);/const int quality = SaveQuality(saved) - 5;/'
mutation engine/FileSizeText.cpp        test_texts        "the size text's unit is chosen one byte early" 's/bytes >= 1048576 \&\& bytes <= 1073741823/bytes >= 1048576 \&\& bytes < 1073741823/'
mutation main_window/frmMain.cpp        test_save         "the status line measures quality 85 while Save writes 90" 's/mMeter->Measure(resized, SaveQuality(resized), Metadata(resized));/mMeter->Measure(resized, SaveQuality(resized) - 5, Metadata(resized));/'
mutation engine/FitUnderSize.cpp        test_save         "Fit counts a probe 5 % over the limit as fitting" 's/if (bytes > mLimit)/if (bytes > mLimit + mLimit \/ 20)/'
mutation main_window/frmMain.cpp        test_frmmain      "a command that fails leaves the lists as it changed them" '/^void frmMain::Restore/,/^}/{/setCurrentIndex/d}'
mutation main_window/SmoothWork.cpp     test_frmmain      "a late result of superseded smooth work is shown" '/if (job != mJob) return;/d'

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
tree=$scratch/tree
mkdir "$tree"
(cd "$root" && git ls-files -z --cached --others --exclude-standard | tar --null -T - -cf -) | tar -C "$tree" -xf -
cmake -S "$tree" -B "$scratch/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_BENCH=OFF >/dev/null

build() { cmake --build "$scratch/build" --target "$1" -j"$(nproc)" >"$scratch/build.log" 2>&1; }
run() { (cd "$scratch/build" && ctest -R "^$1\$" >"$scratch/test.log" 2>&1); } # true when it passes

selected=()
for i in "${!files[@]}"; do
    [[ -z $filter || ${descriptions[$i]} == *"$filter"* ]] && selected+=("$i")
done
for test in $(for i in "${selected[@]}"; do echo "${tests[$i]}"; done | sort -u); do
    if ! build "$test" || ! run "$test"; then
        echo "$test fails before anything is broken; see below" >&2
        cat "$scratch/build.log" "$scratch/test.log" >&2
        exit 2
    fi
done

caught=0 missed=0
for i in "${selected[@]}"; do
    file=$tree/${files[$i]}
    cp "$file" "$scratch/original"
    sed -i -e "${scripts[$i]}" "$file"
    if cmp -s "$file" "$scratch/original"; then
        result="MISSED (the sed script changed nothing)"
    elif ! build "${tests[$i]}"; then
        result="MISSED (the broken program does not build)"
    elif run "${tests[$i]}"; then
        result=MISSED
    else
        result=caught
    fi
    cp "$scratch/original" "$file"
    [[ $result == caught ]] && caught=$((caught + 1)) || missed=$((missed + 1))
    printf '%-8s %-16s %s\n' "$result" "${tests[$i]}" "${descriptions[$i]}"
done
echo "$caught caught, $missed missed of $((caught + missed))"
[[ $missed -eq 0 ]]
