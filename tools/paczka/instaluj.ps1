# Morvane: installs the mod into The Witcher 3 (Windows PowerShell 5.1).
# The launcher runs it from the unpacked package as
#   instaluj.ps1 -Gra '<game folder>' -Launcher '<data folder>\Morvane.exe'
# It copies everything under "mod" into the game folder, keeping each game
# file it replaces under "<data folder>\kopia" so that odinstaluj.ps1 can put
# it back, lists what it installed in "<data folder>\zainstalowane.txt", and
# leaves the version as the first line of "<data folder>\wersja.txt".
# Exit code 0: installed; anything else: failed (the reason is printed).
param(
    [Parameter(Mandatory = $true)][string]$Gra,
    [Parameter(Mandatory = $true)][string]$Launcher
)
$ErrorActionPreference = 'Stop'
try {
    $dane = Split-Path -Parent $Launcher
    $zrodlo = Join-Path $PSScriptRoot 'mod'
    $kopia = Join-Path $dane 'kopia'
    $lista = Join-Path $dane 'zainstalowane.txt'
    if (-not (Test-Path -LiteralPath (Join-Path $Gra 'bin\x64_dx12\witcher3.exe'))) {
        throw "to nie jest folder The Witcher 3: $Gra"
    }
    $wersja = (Get-Content -LiteralPath (Join-Path $PSScriptRoot 'wersja.txt') -TotalCount 1).Trim()

    # An update first undoes the previous installation, so no stale file
    # stays and no file of ours is ever kept as the game's original.
    if (Test-Path -LiteralPath $lista) {
        & (Join-Path $PSScriptRoot 'odinstaluj.ps1')
        if ($LASTEXITCODE -ne 0) { throw "nie udało się usunąć poprzedniej wersji" }
    }

    $zainstalowane = New-Object System.Collections.Generic.List[string]
    $zainstalowane.Add($Gra)
    $pliki = @(Get-ChildItem -LiteralPath $zrodlo -Recurse -File)
    foreach ($plik in $pliki) {
        $wzgledna = $plik.FullName.Substring($zrodlo.Length).TrimStart('\')
        $cel = Join-Path $Gra $wzgledna
        if (Test-Path -LiteralPath $cel) {
            $zapas = Join-Path $kopia $wzgledna
            New-Item -ItemType Directory -Force -Path (Split-Path -Parent $zapas) | Out-Null
            Copy-Item -LiteralPath $cel -Destination $zapas -Force
        }
        New-Item -ItemType Directory -Force -Path (Split-Path -Parent $cel) | Out-Null
        Copy-Item -LiteralPath $plik.FullName -Destination $cel -Force
        $zainstalowane.Add($wzgledna)
        # Written as it goes, so a failure half-way can still be undone.
        Set-Content -LiteralPath $lista -Value $zainstalowane -Encoding UTF8
        Write-Output "  $wzgledna"
    }
    Set-Content -LiteralPath (Join-Path $dane 'wersja.txt') -Value $wersja -Encoding ASCII
    Write-Output "Zainstalowano Morvane $wersja ($($pliki.Count) plików)."
    exit 0
} catch {
    Write-Output "Instalacja nie wyszła: $($_.Exception.Message)"
    exit 1
}
