# Morvane: removes the mod from The Witcher 3 (Windows PowerShell 5.1).
# The launcher runs it without arguments from "<data folder>\paczka"; it reads
# what instaluj.ps1 recorded in the data folder, puts every replaced game file
# back from "<data folder>\kopia", deletes the files the mod added, and
# removes "wersja.txt". Exit code 0: removed; anything else: failed.
$ErrorActionPreference = 'Stop'
try {
    $dane = Split-Path -Parent $PSScriptRoot
    $lista = Join-Path $dane 'zainstalowane.txt'
    $kopia = Join-Path $dane 'kopia'
    if (-not (Test-Path -LiteralPath $lista)) {
        Write-Output "Brak listy zainstalowanych plików - nic do usunięcia z gry."
    } else {
        $wiersze = @(Get-Content -LiteralPath $lista -Encoding UTF8)
        $gra = $wiersze[0]
        foreach ($wzgledna in ($wiersze | Select-Object -Skip 1)) {
            $cel = Join-Path $gra $wzgledna
            $zapas = Join-Path $kopia $wzgledna
            if (Test-Path -LiteralPath $zapas) {
                Copy-Item -LiteralPath $zapas -Destination $cel -Force
            } elseif (Test-Path -LiteralPath $cel) {
                Remove-Item -LiteralPath $cel -Force
            }
        }
        Write-Output "Usunięto Morvane z gry ($($wiersze.Count - 1) plików)."
    }
    if (Test-Path -LiteralPath $kopia) { Remove-Item -LiteralPath $kopia -Recurse -Force }
    foreach ($plik in @($lista, (Join-Path $dane 'wersja.txt'))) {
        if (Test-Path -LiteralPath $plik) { Remove-Item -LiteralPath $plik -Force }
    }
    exit 0
} catch {
    Write-Output "Usuwanie nie wyszło: $($_.Exception.Message)"
    exit 1
}
