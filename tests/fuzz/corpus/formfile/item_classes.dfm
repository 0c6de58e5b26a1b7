object F: TTestForm
  object C: TTestComponent
    Items = <
      item
        Weight = 1
      end
      item: TTestHeavyItem
        Load = 2
      end>
  end
  object Checks: TQVLCheckProcessor
    BeepOnError = False
    CheckProviders = <
      item: TQVLCheckProviderNumericEdit
        HintText = 'x'
        MinValue = 1.5
        MaxValue = 2.0
      end
      item: TQVLCheckProviderCheckbox
        Checked = False
      end>
  end
end
